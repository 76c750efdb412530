// COptSavePage: "保存" of the options sheet: compression of saved cases and the folder
// cases are saved into, which must exist before the page can be left.
#pragma once

#include "app/options/COptionPage.h"

namespace quillora {

class COptSavePage : public COptionPage {
    Q_OBJECT
public:
    COptSavePage(const CConfigData& config, const SOptionHooks& hooks, QWidget* parent = nullptr);

    void Apply(CConfigData& config) override;
    // With "保存先ﾌｫﾙﾀﾞを指定" set, the folder must be given, exist and be a folder.
    bool CanLeave() override;

    // The message for the folder text (empty when it is acceptable).
    static std::string FolderProblem(const std::string& folder);

private:
    QCheckBox* m_allwaysCompress;
    QCheckBox* m_folderMode;
    QLineEdit* m_folder = nullptr;
    QCheckBox* m_casCompress;
};

} // namespace quillora
