// The print dialog's list page.
#include "app/print/CPrintListPage.h"

#include "app/print/CListPrinter.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace quillora {

SPrintPickers SPrintPickers::WithDefaults() const {
    SPrintPickers p = *this;
    if (!p.font) {
        p.font = [](QWidget* parent, const QFont& start) -> std::optional<QFont> {
            bool ok = false;
            QFont chosen = QFontDialog::getFont(&ok, start, parent);
            return ok ? std::optional<QFont>(chosen) : std::nullopt;
        };
    }
    if (!p.color) {
        p.color = [](QWidget* parent, const QColor& start) -> std::optional<QColor> {
            QColor chosen = QColorDialog::getColor(start, parent);
            return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
        };
    }
    return p;
}

void TakeFont(const QFont& font, SPrintFont& into) {
    into.FaceName = font.family().toStdString();
    into.Point = static_cast<int>(std::lround(font.pointSizeF() * 10));
}

CPrintListPage::CPrintListPage(SPrintPickers pickers, QWidget* parent)
    : CFormPage(parent), m_pickers(pickers.WithDefaults()) {
    auto* layout = new QVBoxLayout(this);
    auto* listBox = new QGroupBox(QString::fromUtf8("ﾘｽﾄ"), this);
    auto* grid = new QGridLayout(listBox);
    QPushButton* font = Button("ﾌｫﾝﾄ(&F)...", "ListFont");
    m_fontText = new QLabel(listBox);
    m_fontText->setObjectName("ListFontText");
    grid->addWidget(font, 0, 0);
    grid->addWidget(m_fontText, 0, 1, 1, 2);
    grid->addWidget(Button("文字色(O)...", "ListFore"), 1, 0);
    grid->addWidget(Button("背景色(&B)...", "ListBack"), 1, 1);
    m_horz = new QCheckBox(QString::fromUtf8("横(&H)"), listBox);
    m_horz->setObjectName("ListGridHorz");
    m_vert = new QCheckBox(QString::fromUtf8("縦(&V)"), listBox);
    m_vert->setObjectName("ListGridVert");
    auto* lines = new QHBoxLayout;
    lines->addWidget(new QLabel(QString::fromUtf8("ｸﾞﾘｯﾄﾞ線 :"), listBox));
    lines->addWidget(m_horz);
    lines->addWidget(m_vert);
    lines->addStretch(1);
    grid->addLayout(lines, 2, 0, 1, 3);
    layout->addWidget(listBox);

    auto* titleBox = new QGroupBox(QString::fromUtf8("ﾘｽﾄﾀｲﾄﾙ行"), this);
    auto* titleLayout = new QHBoxLayout(titleBox);
    titleLayout->addWidget(Button("文字色(&R)...", "ListTitleFore"));
    titleLayout->addWidget(Button("背景色(&K)...", "ListTitleBack"));
    titleLayout->addStretch(1);
    layout->addWidget(titleBox);
    m_listTitle = new QCheckBox(QString::fromUtf8("ﾘｽﾄﾀｲﾄﾙ行を出力(&T) <印刷時のみ有効>"), this);
    m_listTitle->setObjectName("ListTitle");
    m_listNo = new QCheckBox(QString::fromUtf8("No.項目を出力(&U) <印刷時のみ有効>"), this);
    m_listNo->setObjectName("ListNo");
    layout->addWidget(m_listTitle);
    layout->addWidget(m_listNo);
    layout->addStretch(1);

    connect(font, &QPushButton::clicked, this, [this] {
        if (auto chosen = m_pickers.font(this, CListPrinter::FontOf(m_list))) {
            TakeFont(*chosen, m_list);
            m_fontText->setText(QString::fromStdString(FontDescription(m_list)));
            emit Changed();
        }
    });
    auto color = [this](const char* name, std::uint32_t& into) {
        connect(findChild<QPushButton*>(name), &QPushButton::clicked, this,
                [this, &into] { PickColor(into); });
    };
    color("ListFore", m_list.Fore);
    color("ListBack", m_list.Back);
    color("ListTitleFore", m_title.Fore);
    color("ListTitleBack", m_title.Back);
    for (QCheckBox* box : {m_horz, m_vert, m_listTitle, m_listNo}) {
        connect(box, &QCheckBox::toggled, this, &CPrintListPage::Changed);
    }
}

QPushButton* CPrintListPage::Button(const char* text, const char* name) {
    auto* button = new QPushButton(QString::fromUtf8(text), this);
    button->setObjectName(name);
    return button;
}

void CPrintListPage::PickColor(std::uint32_t& color) {
    if (auto chosen = m_pickers.color(this, CListPrinter::ColorOf(color))) {
        color = CListPrinter::ColorRefOf(*chosen);
        emit Changed();
    }
}

void CPrintListPage::LoadPreset(const CFormPreset& base) {
    const auto& preset = dynamic_cast<const CPrintCondition&>(base);
    m_list = preset.ListFont;
    m_title = preset.ListTitleFont;
    m_fontText->setText(QString::fromStdString(FontDescription(m_list)));
    const QSignalBlocker b1(m_horz), b2(m_vert), b3(m_listTitle), b4(m_listNo);
    m_horz->setChecked(preset.ListGridHorz != 0);
    m_vert->setChecked(preset.ListGridVert != 0);
    m_listTitle->setChecked(preset.ListTitle != 0);
    m_listNo->setChecked(preset.ListNo != 0);
}

bool CPrintListPage::ApplyPreset(CFormPreset& base) {
    auto& preset = dynamic_cast<CPrintCondition&>(base);
    preset.ListFont = m_list;
    preset.ListTitleFont.Fore = m_title.Fore;
    preset.ListTitleFont.Back = m_title.Back;
    preset.ListGridHorz = m_horz->isChecked() ? 1 : 0;
    preset.ListGridVert = m_vert->isChecked() ? 1 : 0;
    preset.ListTitle = m_listTitle->isChecked() ? 1 : 0;
    preset.ListNo = m_listNo->isChecked() ? 1 : 0;
    return true;
}

} // namespace quillora
