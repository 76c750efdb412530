// `quillora-cli drives` (the drive table) and `quillora-cli presence CASE` (which
// media of a case are mounted now, and where).
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/ScanSettings.h"

#include "model/CatalogPath.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace quillora::cli {

namespace {

void PrintDrive(const std::string& root, DriveKind kind, const std::string& label,
                std::uint32_t serial, const std::string& fileSystem, bool present) {
    std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", root.c_str(), DriveKindName(kind), label.c_str(),
                FormatSerialNumber(serial).c_str(), fileSystem.c_str(),
                present ? "present" : "empty");
}

int RunDrives(bool all) {
    std::printf("root\tkind\tlabel\tserial\tfile system\tpresent\n");
    if (all) {
        // Every mounted file system the presence check may probe, fixed disks included.
        for (const SDrive& drive : CDriveList::Read()) {
            PrintDrive(drive.m_root, drive.m_kind, drive.m_label, drive.m_serial,
                       drive.m_fileSystem, drive.m_present);
        }
        return kExitOk;
    }
    CDriveTable table;
    table.RefreshDriveTable();
    for (const SDriveEntry& entry : table.Entries()) {
        PrintDrive(entry.m_root, entry.m_kind, entry.m_label, entry.m_serial, entry.m_fileSystem,
                   entry.m_present != 0);
    }
    return kExitOk;
}

struct SPresenceArgs {
    std::string casePath;
    std::optional<std::string> password;
};

int RunPresence(const SPresenceArgs& a) {
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.casePath, a.password);
    if (!root) {
        return kExitFailure;
    }
    LoadScanSettings();
    CMediaPresence presence = UserMediaPresence();
    presence.CheckDeviceIN(*root);
    for (SVolumeInfo* medium : CMediaPresence::CollectMedia(*root)) {
        std::printf("%s\t%s\t%s\n", CatalogPath(*medium).c_str(),
                    medium->m_bPresent ? "present" : "absent", medium->m_strRoot.c_str());
    }
    return kExitOk;
}

const CCommandRegistration kDrives({"drives", CommandGroup::Media,
                                    "List the mounted media the program watches",
                                    [](CLI::App& cmd) {
                                        auto all = std::make_shared<bool>(false);
                                        cmd.add_flag("--all", *all,
                                                     "Every mounted file system, fixed disks "
                                                     "included");
                                        return [all] { return RunDrives(*all); };
                                    }});

const CCommandRegistration kPresence({"presence", CommandGroup::Media,
                                      "Tell which media of a case are mounted now, and where",
                                      [](CLI::App& cmd) {
                                          auto a = std::make_shared<SPresenceArgs>();
                                          AddCaseArgument(cmd, a->casePath);
                                          AddPasswordOption(cmd, a->password);
                                          return [a] { return RunPresence(*a); };
                                      }});

} // namespace

} // namespace quillora::cli
