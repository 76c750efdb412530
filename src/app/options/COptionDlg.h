// COptionDlg: the options sheet "ｵﾌﾟｼｮﾝ" with its eight pages. It opens on the page it
// was last closed on, writes every page into the configuration on OK only, and
// remembers the page that was open whether it closed with OK or Cancel.
#pragma once

#include "app/options/COptionPage.h"
#include "app/options/OptionRules.h"
#include "platform/DriveList.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QTabWidget;

namespace quillora {

class CConfigData;
class CRecentFileList;

// What the sheet shows besides the configuration.
struct SOptionContext {
    std::vector<SArchiverState> m_archivers; // the expansion page's kinds, in order
    std::vector<SDrive> m_drives;            // the drive page's lines
    CRecentFileList* m_pRecent = nullptr;    // cleared by "履歴ﾌｧｲﾙｸﾘｱ(&C)"
    std::string m_strOpenPath;               // the open case, kept in that list
    std::function<void()> m_historyCleared;  // after the list was cleared
};

class COptionDlg : public QDialog {
    Q_OBJECT
public:
    enum Page { kSave, kAddVol, kCopy, kMelt, kExtract, kView, kDrive, kIndex, kPageCount };

    COptionDlg(CConfigData& config, SOptionContext context, SOptionHooks hooks = {},
               QWidget* parent = nullptr);

    // What OK does: the open page must let itself be left, then every page writes its
    // settings (the view change mask is cleared first). False leaves the sheet open.
    bool Apply();
    // Switches to a page as a click on its tab does; false when the open page refused.
    bool ShowPage(int page);
    int CurrentPage() const;
    COptionPage* PageAt(int page) const;

    void accept() override;
    void done(int result) override;

private:
    CConfigData& m_config;
    SOptionContext m_context;
    SOptionHooks m_hooks;
    QTabWidget* m_tabs = nullptr;
    int m_nShown = 0;
    bool m_bSwitching = false;
};

} // namespace quillora
