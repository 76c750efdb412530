// COptExtractPage: "抽出" of the options sheet: the folder files are extracted into.
#pragma once

#include "app/options/COptionPage.h"

namespace quillora {

class COptExtractPage : public COptionPage {
    Q_OBJECT
public:
    COptExtractPage(const CConfigData& config, const SOptionHooks& hooks,
                    QWidget* parent = nullptr);

    void Apply(CConfigData& config) override;

private:
    QCheckBox* m_mode;
    QLineEdit* m_folder = nullptr;
};

} // namespace quillora
