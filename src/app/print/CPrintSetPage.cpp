// The print dialog's settings page.
#include "app/print/CPrintSetPage.h"

#include "export/CPrintCondition.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace quillora {

CPrintSetPage::CPrintSetPage(QStringList printers, QWidget* parent) : CFormPage(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* targets = new QGroupBox(QString::fromUtf8("出力対象"), this);
    auto* targetLayout = new QVBoxLayout(targets);
    auto* group = new QButtonGroup(this);
    const char* texts[] = {"ﾌｫﾙﾀﾞﾘｽﾄの選択項目(&S)", "ﾌｧｲﾙﾘｽﾄの選択項目(&F)", "全て(&A)"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(texts[i]), targets);
        button->setObjectName(QString("Target%1").arg(i));
        group->addButton(button, i);
        targetLayout->addWidget(button);
        m_target[static_cast<std::size_t>(i)] = button;
    }
    m_subFolder = new QCheckBox(QString::fromUtf8("ｻﾌﾞﾌｫﾙﾀﾞ以下も対象(&R)"), targets);
    m_subFolder->setObjectName("TargetSubFolder");
    targetLayout->addWidget(m_subFolder);
    layout->addWidget(targets);

    m_rowsMode = new QCheckBox(QString::fromUtf8("出力最大行数を指定(&M)"), this);
    m_rowsMode->setObjectName("TargetRowsMode");
    auto* rowsRow = new QHBoxLayout;
    rowsRow->setContentsMargins(20, 0, 0, 0);
    auto* rowsLabel = new QLabel(QString::fromUtf8("出力最大行数(&L) :"), this);
    m_rows = new QSpinBox(this);
    m_rows->setObjectName("TargetRows");
    m_rows->setRange(CPrintCondition::kMinRows, CPrintCondition::kMaxRows);
    rowsLabel->setBuddy(m_rows);
    rowsRow->addWidget(rowsLabel);
    rowsRow->addWidget(m_rows);
    rowsRow->addStretch(1);
    layout->addWidget(m_rowsMode);
    layout->addLayout(rowsRow);

    auto* printerRow = new QHBoxLayout;
    auto* printerLabel = new QLabel(QString::fromUtf8("ﾌﾟﾘﾝﾀ名(&T) :"), this);
    m_printer = new QComboBox(this);
    m_printer->setObjectName("SelectPrinter");
    m_printer->addItems(printers);
    m_printer->setMinimumContentsLength(20);
    printerLabel->setBuddy(m_printer);
    m_properties = new QPushButton(QString::fromUtf8("ﾌﾟﾛﾊﾟﾃｨ(&P)"), this);
    m_properties->setObjectName("PrinterProperties");
    m_properties->setEnabled(!printers.isEmpty());
    printerRow->addWidget(printerLabel);
    printerRow->addWidget(m_printer, 1);
    printerRow->addWidget(m_properties);
    layout->addLayout(printerRow);
    layout->addStretch(1);

    connect(group, &QButtonGroup::idToggled, this, [this](int, bool on) {
        m_subFolder->setEnabled(!m_target[2]->isChecked());
        if (on) {
            emit Changed();
        }
    });
    connect(m_subFolder, &QCheckBox::toggled, this, &CPrintSetPage::Changed);
    connect(m_rowsMode, &QCheckBox::toggled, this, [this](bool on) {
        m_rows->setEnabled(on);
        emit Changed();
    });
    connect(m_rows, &QSpinBox::valueChanged, this, &CPrintSetPage::Changed);
}

void CPrintSetPage::LoadPreset(const CFormPreset& base) {
    const auto& preset = dynamic_cast<const CPrintCondition&>(base);
    const QSignalBlocker blockers[] = {QSignalBlocker(m_target[0]), QSignalBlocker(m_target[1]),
                                       QSignalBlocker(m_target[2]), QSignalBlocker(m_subFolder),
                                       QSignalBlocker(m_rowsMode),  QSignalBlocker(m_rows)};
    m_target[static_cast<std::size_t>(std::clamp(preset.Target, 0, 2))]->setChecked(true);
    m_subFolder->setChecked(preset.TargetSubFolder != 0);
    m_subFolder->setEnabled(preset.Target != kPrintWholeCase);
    m_rowsMode->setChecked(preset.TargetRowsMode != 0);
    m_rows->setValue(
        std::clamp(preset.TargetRows, CPrintCondition::kMinRows, CPrintCondition::kMaxRows));
    m_rows->setEnabled(preset.TargetRowsMode != 0);
    const int index =
        m_printer->findText(QString::fromStdString(preset.SelectPrinter), Qt::MatchFixedString);
    m_printer->setCurrentIndex(index >= 0 ? index : 0);
}

bool CPrintSetPage::ApplyPreset(CFormPreset& base) {
    auto& preset = dynamic_cast<CPrintCondition&>(base);
    for (int i = 0; i < 3; ++i) {
        if (m_target[static_cast<std::size_t>(i)]->isChecked()) {
            preset.Target = i;
        }
    }
    preset.TargetSubFolder = m_subFolder->isChecked() ? 1 : 0;
    preset.TargetRowsMode = m_rowsMode->isChecked() ? 1 : 0;
    m_rows->interpretText();
    preset.TargetRows = m_rows->value();
    if (m_printer->count() > 0) {
        preset.SelectPrinter = m_printer->currentText().toStdString();
    }
    return true;
}

} // namespace quillora
