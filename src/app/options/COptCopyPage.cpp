// The copy page.
#include "app/options/COptCopyPage.h"

#include "core/ConfigData.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillora {

COptCopyPage::COptCopyPage(const CConfigData& config, const SOptionHooks& hooks, QWidget* parent)
    : COptionPage("ｺﾋﾟｰ設定", hooks, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(QString::fromUtf8("ｺﾋﾟｰ時の出力形式"), this);
    auto* boxLayout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(this);
    const char* texts[] = {"CSV(&S)", "HTML(&H)", "Tree(&T)"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(texts[i]), box);
        button->setObjectName(QString("CopyTarget%1").arg(i));
        group->addButton(button, i);
        boxLayout->addWidget(button);
        m_target[static_cast<std::size_t>(i)] = button;
    }
    if (QAbstractButton* chosen = group->button(config.m_nCopyTarget)) {
        chosen->setChecked(true);
    }
    layout->addWidget(box);
    m_showForm = AddCheck("ｺﾋﾟｰ時に形式設定画面を表示する。(&F)", "CopyShowFormDlg",
                          config.m_nCopyShowFormDlg);
    layout->addWidget(m_showForm);
    layout->addStretch(1);
}

void COptCopyPage::Apply(CConfigData& config) {
    for (int i = 0; i < 3; ++i) {
        if (m_target[static_cast<std::size_t>(i)]->isChecked()) {
            config.m_nCopyTarget = i;
        }
    }
    config.m_nCopyShowFormDlg = m_showForm->isChecked() ? 1 : 0;
}

} // namespace quillora
