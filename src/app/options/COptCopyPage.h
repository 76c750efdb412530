// COptCopyPage: "ｺﾋﾟｰ設定" of the options sheet: the format "ｺﾋﾟｰ" puts on the
// clipboard and whether the format settings open first.
#pragma once

#include "app/options/COptionPage.h"

#include <array>

class QRadioButton;

namespace quillora {

class COptCopyPage : public COptionPage {
    Q_OBJECT
public:
    COptCopyPage(const CConfigData& config, const SOptionHooks& hooks, QWidget* parent = nullptr);

    void Apply(CConfigData& config) override;

private:
    std::array<QRadioButton*, 3> m_target{};
    QCheckBox* m_showForm;
};

} // namespace quillora
