// "ﾘｽﾄ" of the print dialog: the list's font and colours, grid lines, the title row's
// colours, and whether the title row and the "No." column are printed.
#pragma once

#include "app/export/CFormPage.h"
#include "export/CPrintCondition.h"

#include <QColor>
#include <QFont>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillora {

// Font and colour pickers; tests answer instead of the dialogs.
struct SPrintPickers {
    std::function<std::optional<QFont>(QWidget*, const QFont&)> font;
    std::function<std::optional<QColor>(QWidget*, const QColor&)> color;
    SPrintPickers WithDefaults() const;
};

class CPrintListPage : public CFormPage {
    Q_OBJECT
public:
    explicit CPrintListPage(SPrintPickers pickers, QWidget* parent = nullptr);

    void LoadPreset(const CFormPreset& preset) override;
    bool ApplyPreset(CFormPreset& preset) override;

    QLabel* FontLabel() const { return m_fontText; }

signals:
    void Changed();

private:
    QPushButton* Button(const char* text, const char* name);
    void PickColor(std::uint32_t& color);

    SPrintPickers m_pickers;
    SPrintFont m_list;
    SPrintFont m_title;
    QLabel* m_fontText;
    QCheckBox* m_horz;
    QCheckBox* m_vert;
    QCheckBox* m_listTitle;
    QCheckBox* m_listNo;
};

// A picked font as the preset keeps it (face, tenths of a point; colours unchanged).
void TakeFont(const QFont& font, SPrintFont& into);

} // namespace quillora
