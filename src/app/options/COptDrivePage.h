// COptDrivePage: "ﾄﾞﾗｲﾌﾞ" of the options sheet: which drives of the drive list the
// program watches, as bits of "DriveUse" counted by list line.
#pragma once

#include "app/options/COptionPage.h"
#include "platform/DriveList.h"

#include <vector>

class QListWidget;

namespace quillora {

class COptDrivePage : public COptionPage {
    Q_OBJECT
public:
    // `drives` in the system's order (CDriveList::Read), one line each.
    COptDrivePage(const CConfigData& config, const std::vector<SDrive>& drives,
                  const SOptionHooks& hooks, QWidget* parent = nullptr);

    void Apply(CConfigData& config) override;

    // " %s [%s]": the drive's root and the name of its kind.
    static std::string LineText(const SDrive& drive);

    QListWidget* DriveList() const { return m_list; }

private:
    QCheckBox* m_useAll;
    QListWidget* m_list;
    QCheckBox* m_noAutoRun;
};

} // namespace quillora
