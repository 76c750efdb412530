// "用紙" of the print dialog: the four margins in millimetres and the page title with
// its font.
#pragma once

#include "app/export/CFormPage.h"
#include "app/print/CPrintListPage.h"

#include <array>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace quillora {

class CPrintPaperPage : public CFormPage {
    Q_OBJECT
public:
    explicit CPrintPaperPage(SPrintPickers pickers, QWidget* parent = nullptr);

    void LoadPreset(const CFormPreset& preset) override;
    bool ApplyPreset(CFormPreset& preset) override;

signals:
    void Changed();

private:
    SPrintPickers m_pickers;
    std::array<QSpinBox*, 4> m_margins{}; // top, bottom, left, right
    QLineEdit* m_title;
    QLabel* m_fontText;
    SPrintFont m_font;
};

} // namespace quillora
