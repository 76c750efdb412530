// The format-settings dialog ("形式の設定"), shared by the four export formats: the preset
// row and the format's pages. It edits a copy of the format's preset set, written back on
// OK only after every page took its controls. Opened for a copy, it has a "ｺﾋﾟｰ(&C)"
// button that copies the selection with the preset being edited.
#pragma once

#include "export/CFormCondition.h"
#include "export/CFormConditionSet.h"

#include <QDialog>

#include <functional>
#include <vector>

class QTabWidget;

namespace quillora {

class CFormPage;
class CFormPresetBar;

class CFormSettingsDlg : public QDialog {
    Q_OBJECT
public:
    using CopyAction = std::function<void(const CFormCondition& preset)>;

    CFormSettingsDlg(EFormFormat format, const CFormConditionSet& set, CopyAction copy = {},
                     QWidget* parent = nullptr);

    // Runs the dialog over `set`; on OK (or a copy) the set takes the edits.
    static bool Edit(QWidget* parent, EFormFormat format, CFormConditionSet& set,
                     CopyAction copy = {});

    const CFormConditionSet& Set() const { return m_set; }
    CFormPresetBar& PresetBar() const { return *m_pBar; }
    QTabWidget* Tabs() const { return m_tabs; }
    const std::vector<CFormPage*>& Pages() const { return m_pages; }

    // Stores the pages into the current preset; false when one refused.
    bool StorePages();
    void LoadPages();
    void accept() override;
    // The copy button: stores the pages, copies, and closes as OK does.
    void CopyAndClose();

private:
    CFormConditionSet m_set;
    CopyAction m_copy;
    CFormPresetBar* m_pBar = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::vector<CFormPage*> m_pages;
};

} // namespace quillora
