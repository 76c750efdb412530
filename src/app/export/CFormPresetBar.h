// The preset row of the settings dialogs: the combo box of a set's presets and the
// buttons that add, delete, rename and reset them. The owner's pages are stored into the
// preset that is left and loaded from the one that is chosen, through two callbacks.
#pragma once

#include "app/DialogMessage.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QPushButton;

namespace quillora {

class CFormConditionSet;

class CFormPresetBar : public QWidget {
    Q_OBJECT
public:
    // `set` is edited in place and must outlive the bar. `store` takes the pages into
    // the current preset (false: a page refused, nothing changes); `load` shows it.
    CFormPresetBar(CFormConditionSet& set, std::function<bool()> store, std::function<void()> load,
                   QWidget* parent = nullptr);

    QComboBox* Combo() const { return m_combo; }
    QPushButton* DeleteButton() const { return m_delete; }
    // Asks the new name; tests answer instead of the dialog.
    void SetNameSource(std::function<std::optional<QString>(const QString&)> source) {
        m_nameSource = std::move(source);
    }

    // The buttons' actions.
    void Select(int index);
    void AddPreset();
    void DeletePreset();
    void RenamePreset();
    void ResetPreset();
    // Shows the set again (after it changed outside).
    void Refill();

private:
    void UpdateButtons();

    CFormConditionSet& m_set;
    std::function<bool()> m_store;
    std::function<void()> m_load;
    std::function<std::optional<QString>(const QString&)> m_nameSource;
    QComboBox* m_combo = nullptr;
    QPushButton* m_delete = nullptr;
};

} // namespace quillora
