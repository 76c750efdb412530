// The settings pages of the export formats ("設定", "設定1", "設定2"): check boxes, radio
// groups, combo boxes, texts and the depth spin box, each bound to a field of
// CFormCondition. MakeFormOptionsPages builds the pages of one format.
#pragma once

#include "app/export/CFormPage.h"
#include "export/CFormCondition.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QBoxLayout;
class QGroupBox;

namespace quillora {

class CFormOptionsPage : public CFormPage {
    Q_OBJECT
public:
    explicit CFormOptionsPage(QWidget* parent = nullptr);

    void LoadPreset(const CFormPreset& preset) override;
    bool ApplyPreset(CFormPreset& preset) override;

    // --- Building (into the current group, or the page) ---
    using IntField = int CFormCondition::*;
    using TextField = std::string CFormCondition::*;
    // Starts a group box; EndGroup goes back to the page.
    void BeginGroup(const char* title);
    void EndGroup();
    QWidget* AddCheck(const char* text, IntField field);
    // Radio buttons for the values 0, 1, 2, ...
    void AddRadios(const char* title, std::initializer_list<const char*> texts, IntField field);
    // A combo box whose item i stands for the value base + i.
    void AddCombo(const char* label, std::initializer_list<const char*> items, IntField field,
                  int base);
    // A text, enabled only while `enabledBy` (a check box made before) is checked.
    void AddText(const char* label, TextField field, QWidget* enabledBy = nullptr);
    void AddSpin(const char* label, IntField field, int minimum, int maximum, const char* note,
                 QWidget* enabledBy = nullptr);
    // The file's encoding (ours, not the format's).
    void AddEncoding();
    void AddStretch();

private:
    struct SBinding {
        std::function<void(const CFormCondition&)> m_load;
        std::function<void(CFormCondition&)> m_apply;
    };
    QBoxLayout* Layout();

    QBoxLayout* m_pPage = nullptr;
    QBoxLayout* m_pGroup = nullptr;
    std::vector<SBinding> m_bindings;
};

// The settings pages of a format with their tab titles, in order (the item page not
// included).
std::vector<std::pair<QString, CFormPage*>> MakeFormOptionsPages(EFormFormat format,
                                                                 QWidget* parent);

} // namespace quillora
