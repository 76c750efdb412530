// The print dialog's paper page.
#include "app/print/CPrintPaperPage.h"

#include "app/print/CListPrinter.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillora {

CPrintPaperPage::CPrintPaperPage(SPrintPickers pickers, QWidget* parent)
    : CFormPage(parent), m_pickers(pickers.WithDefaults()) {
    auto* layout = new QVBoxLayout(this);
    auto* marginBox = new QGroupBox(QString::fromUtf8("余白 (mm)"), this);
    auto* grid = new QGridLayout(marginBox);
    const char* labels[] = {"上(&U) :", "下(&D) :", "左(&L) :", "右(&R) :"};
    const char* names[] = {"MarginTop", "MarginBottom", "MarginLeft", "MarginRight"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(labels[i]), marginBox);
        auto* spin = new QSpinBox(marginBox);
        spin->setObjectName(names[i]);
        spin->setRange(0, CPrintCondition::kMaxMargin);
        spin->setSuffix(" mm");
        label->setBuddy(spin);
        grid->addWidget(label, i / 2, (i % 2) * 2);
        grid->addWidget(spin, i / 2, (i % 2) * 2 + 1);
        m_margins[static_cast<std::size_t>(i)] = spin;
        connect(spin, &QSpinBox::valueChanged, this, &CPrintPaperPage::Changed);
    }
    layout->addWidget(marginBox);
    auto* titleRow = new QHBoxLayout;
    auto* titleLabel = new QLabel(QString::fromUtf8("ﾀｲﾄﾙ文字列(&T) :"), this);
    m_title = new QLineEdit(this);
    m_title->setObjectName("Title");
    titleLabel->setBuddy(m_title);
    titleRow->addWidget(titleLabel);
    titleRow->addWidget(m_title, 1);
    layout->addLayout(titleRow);
    auto* fontRow = new QHBoxLayout;
    auto* font = new QPushButton(QString::fromUtf8("ﾌｫﾝﾄ(&F)..."), this);
    font->setObjectName("TitleFont");
    m_fontText = new QLabel(this);
    fontRow->addWidget(font);
    fontRow->addWidget(m_fontText, 1);
    layout->addLayout(fontRow);
    layout->addStretch(1);
    connect(m_title, &QLineEdit::textChanged, this, &CPrintPaperPage::Changed);
    connect(font, &QPushButton::clicked, this, [this] {
        if (auto chosen = m_pickers.font(this, CListPrinter::FontOf(m_font))) {
            TakeFont(*chosen, m_font);
            m_fontText->setText(QString::fromStdString(FontDescription(m_font)));
            emit Changed();
        }
    });
}

void CPrintPaperPage::LoadPreset(const CFormPreset& base) {
    const auto& preset = dynamic_cast<const CPrintCondition&>(base);
    const int values[] = {preset.MarginTop, preset.MarginBottom, preset.MarginLeft,
                          preset.MarginRight};
    for (std::size_t i = 0; i < 4; ++i) {
        const QSignalBlocker block(m_margins[i]);
        m_margins[i]->setValue(std::clamp(values[i], 0, CPrintCondition::kMaxMargin));
    }
    const QSignalBlocker block(m_title);
    m_title->setText(QString::fromStdString(preset.Title));
    m_font = preset.TitleFont;
    m_fontText->setText(QString::fromStdString(FontDescription(m_font)));
}

bool CPrintPaperPage::ApplyPreset(CFormPreset& base) {
    auto& preset = dynamic_cast<CPrintCondition&>(base);
    int* fields[] = {&preset.MarginTop, &preset.MarginBottom, &preset.MarginLeft,
                     &preset.MarginRight};
    for (std::size_t i = 0; i < 4; ++i) {
        m_margins[i]->interpretText();
        *fields[i] = m_margins[i]->value();
    }
    preset.Title = m_title->text().toStdString();
    preset.TitleFont = m_font;
    return true;
}

} // namespace quillora
