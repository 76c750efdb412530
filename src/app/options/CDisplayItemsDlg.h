// CDisplayItemsDlg: the display-items dialog ("表示項目設定"): which columns each of the
// file list's three column sets shows, and in which order.
#pragma once

#include "app/ColumnEntry.h"

#include <QDialog>

class QComboBox;
class QListWidget;
class QPushButton;

namespace quillora {

class CDisplayItemsDlg : public QDialog {
    Q_OBJECT

public:
    // Works on a copy of `sets`; `initialSet` (EColumnSet) is shown first.
    explicit CDisplayItemsDlg(const ColumnSets& sets, int initialSet = kColumnSetNormal,
                              QWidget* parent = nullptr);

    // Runs the dialog; on OK `sets` takes the edited lists and true is returned.
    static bool Edit(QWidget* parent, ColumnSets& sets, int initialSet = kColumnSetNormal);

    const ColumnSets& Sets() const { return m_sets; }
    int CurrentSet() const { return m_current; }
    void ShowSet(int set);

    // The actions of the buttons, on the selected row of the list concerned. The
    // name column (id 0) is always shown.
    void AddSelected();    // offered -> end of shown
    void RemoveSelected(); // shown -> end of offered
    void MoveSelectedUp();
    void MoveSelectedDown();

    QListWidget* ShownList() const { return m_shown; }
    QListWidget* OfferedList() const { return m_offered; }

private:
    SColumnSetLists& Current() { return m_sets[static_cast<std::size_t>(m_current)]; }
    void Fill(int shownRow, int offeredRow);
    void UpdateButtons();
    void Move(int delta);

    ColumnSets m_sets;
    int m_current = kColumnSetNormal;
    QComboBox* m_setCombo = nullptr;
    QListWidget* m_shown = nullptr;
    QListWidget* m_offered = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
};

} // namespace quillora
