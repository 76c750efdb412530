// The extraction page.
#include "app/options/COptExtractPage.h"

#include "core/ConfigData.h"
#include "core/XdgPaths.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace quillora {

COptExtractPage::COptExtractPage(const CConfigData& config, const SOptionHooks& hooks,
                                 QWidget* parent)
    : COptionPage("抽出", hooks, parent) {
    auto* layout = new QVBoxLayout(this);
    m_mode = AddCheck("抽出先を指定する。(&F) <ﾃﾞﾌｫﾙﾄはTEMPﾌｫﾙﾀﾞになります>", "MeltFolderMode",
                      config.m_nMeltFolderMode);
    layout->addWidget(m_mode);
    layout->addWidget(FolderRow(m_mode, m_folder, "MeltFolder", config.m_strMeltFolder));
    layout->addStretch(1);
}

void COptExtractPage::Apply(CConfigData& config) {
    config.m_nMeltFolderMode = m_mode->isChecked() ? 1 : 0;
    // An empty folder means the temporary folder, as when the settings are read.
    std::string folder = m_folder->text().toStdString();
    config.m_strMeltFolder = folder.empty() ? TempFolder() : folder;
}

} // namespace quillora
