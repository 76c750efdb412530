// The save page.
#include "app/options/COptSavePage.h"

#include "core/ConfigData.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace quillora {

COptSavePage::COptSavePage(const CConfigData& config, const SOptionHooks& hooks, QWidget* parent)
    : COptionPage("保存", hooks, parent) {
    auto* layout = new QVBoxLayout(this);
    m_allwaysCompress = AddCheck("常に圧縮して保存する。(&A) <caz形式、UNLHA32.DLLが必要です>",
                                 "AllwaysCompress", config.m_nAllwaysCompress);
    m_folderMode = AddCheck("保存先ﾌｫﾙﾀﾞを指定(&F)", "SaveFolderMode", config.m_nSaveFolderMode);
    m_casCompress = AddCheck("casﾌｧｲﾙを圧縮して保存する。(&Z) <Zlibにより圧縮>", "CasCompress",
                             config.m_nCasCompress);
    layout->addWidget(m_allwaysCompress);
    layout->addWidget(m_folderMode);
    layout->addWidget(FolderRow(m_folderMode, m_folder, "SaveFolder", config.m_strSaveFolder));
    layout->addWidget(m_casCompress);
    layout->addStretch(1);
}

std::string COptSavePage::FolderProblem(const std::string& folder) {
    if (folder.empty()) {
        return "保存先ﾌｫﾙﾀﾞが入力されていません。";
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return "指定保存先ﾌｫﾙﾀﾞは、存在しません。";
    }
    if (!S_ISDIR(st.st_mode)) {
        return "指定保存先は、ﾌｫﾙﾀﾞではありません。";
    }
    return {};
}

bool COptSavePage::CanLeave() {
    if (!m_folderMode->isChecked()) {
        return true;
    }
    std::string problem = FolderProblem(m_folder->text().toStdString());
    if (problem.empty()) {
        return true;
    }
    Hooks().warn(this, Caption(), problem);
    m_folder->setFocus();
    m_folder->selectAll();
    return false;
}

void COptSavePage::Apply(CConfigData& config) {
    config.m_nAllwaysCompress = m_allwaysCompress->isChecked() ? 1 : 0;
    config.m_nSaveFolderMode = m_folderMode->isChecked() ? 1 : 0;
    config.m_strSaveFolder = m_folder->text().toStdString();
    config.m_nCasCompress = m_casCompress->isChecked() ? 1 : 0;
    // The folder offered for saving follows at once, as at start-up.
    if (config.m_nSaveFolderMode) {
        config.m_strWorkSaveFolder = config.m_strSaveFolder;
    }
}

} // namespace quillora
