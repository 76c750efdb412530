// The drive page.
#include "app/options/COptDrivePage.h"

#include "app/options/OptionRules.h"
#include "core/ConfigData.h"

#include <QCheckBox>
#include <QListWidget>
#include <QVBoxLayout>

namespace quillora {

namespace {

const char* KindText(DriveKind kind) {
    switch (kind) {
    case DriveKind::Removable:
        return "ﾘﾑｰﾊﾞﾙ";
    case DriveKind::Fixed:
        return "固定ﾃﾞｨｽｸ";
    case DriveKind::Remote:
        return "ﾘｰﾓｰﾄ";
    case DriveKind::CdRom:
        return "CD-ROM";
    case DriveKind::RamDisk:
        return "RAMﾃﾞｨｽｸ";
    default:
        return "不明";
    }
}

} // namespace

std::string COptDrivePage::LineText(const SDrive& drive) {
    return " " + drive.m_root + " [" + KindText(drive.m_kind) + "]";
}

COptDrivePage::COptDrivePage(const CConfigData& config, const std::vector<SDrive>& drives,
                             const SOptionHooks& hooks, QWidget* parent)
    : COptionPage("ﾄﾞﾗｲﾌﾞ", hooks, parent) {
    auto* layout = new QVBoxLayout(this);
    m_useAll = AddCheck("全てのﾄﾞﾗｲﾌﾞを有効にする。(&A)", "DriveUseAll", config.m_nDriveUseAll);
    layout->addWidget(m_useAll);
    m_list = new QListWidget(this);
    m_list->setObjectName("DriveUse");
    for (std::size_t i = 0; i < drives.size(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(LineText(drives[i])), m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(DriveLineChecked(config.m_nDriveUse, static_cast<int>(i))
                                ? Qt::Checked
                                : Qt::Unchecked);
    }
    layout->addWidget(m_list, 1);
    m_noAutoRun = AddCheck("起動中はCD-ROMのｵｰﾄﾗﾝを行わない。(&R) <Win95,Win98のみ>", "NoAutoRun",
                           config.m_nNoAutoRun);
    // The autorun policy belongs to Windows 95 and 98 only; here, as on the NT family,
    // there is nothing to switch.
    m_noAutoRun->setEnabled(false);
    layout->addWidget(m_noAutoRun);
    auto follow = [this](bool all) { m_list->setEnabled(!all); };
    connect(m_useAll, &QCheckBox::toggled, this, follow);
    follow(m_useAll->isChecked());
}

void COptDrivePage::Apply(CConfigData& config) {
    config.m_nDriveUseAll = m_useAll->isChecked() ? 1 : 0;
    std::vector<bool> checked;
    for (int i = 0; i < m_list->count(); ++i) {
        checked.push_back(m_list->item(i)->checkState() == Qt::Checked);
    }
    config.m_nDriveUse = DriveUseFromChecks(checked);
    config.m_nNoAutoRun = m_noAutoRun->isChecked() ? 1 : 0;
    // Applying the system's autorun setting is a no-op on this platform (see the
    // configuration's autorun guard).
}

} // namespace quillora
