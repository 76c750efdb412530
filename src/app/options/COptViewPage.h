// COptViewPage: "表示" of the options sheet: how names, sizes and the views look, the
// recent-file list, and the view change mask that tells the main window what to redraw.
#pragma once

#include "app/options/COptionPage.h"

#include <array>
#include <functional>

class QRadioButton;
class QSpinBox;

namespace quillora {

class CRecentFileList;

class COptViewPage : public COptionPage {
    Q_OBJECT
public:
    // `recent` (may be null) is cleared at once by "履歴ﾌｧｲﾙｸﾘｱ(&C)", keeping `openPath`;
    // `cleared` runs after that.
    COptViewPage(const CConfigData& config, const SOptionHooks& hooks, CRecentFileList* recent,
                 std::string openPath, std::function<void()> cleared, QWidget* parent = nullptr);

    // Writes the values and sets the configuration's view change mask.
    void Apply(CConfigData& config) override;
    // The history size must be 1-10.
    bool CanLeave() override;

    // "履歴ﾌｧｲﾙｸﾘｱ(&C)".
    void ClearHistory();

private:
    std::array<QRadioButton*, 4> m_dispMode{};
    std::array<QRadioButton*, 5> m_sizeUnit{};
    QCheckBox* m_lineSelect;
    QCheckBox* m_showSelAlways;
    QCheckBox* m_startLoading;
    QCheckBox* m_groupArc;
    QSpinBox* m_mruCount;
    QCheckBox* m_addComment;
    QCheckBox* m_mediaSort;
    QCheckBox* m_addCategory;
    CRecentFileList* m_pRecent;
    std::string m_strOpenPath;
    std::function<void()> m_cleared;
};

} // namespace quillora
