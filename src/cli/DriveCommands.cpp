// `quillora-cli drives` (the drive table) and `quillora-cli presence CASE` (which
// media of a case are mounted now, and where).
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ScanSettings.h"

#include "model/CatalogPath.h"
#include "model/SVolumeInfo.h"
#include "scan/DriveTable.h"
#include "scan/MediaPresence.h"

#include <cstdio>

namespace quillora::cli {

namespace {

void PrintDrive(const std::string& root, DriveKind kind, const std::string& label,
                std::uint32_t serial, const std::string& fileSystem, bool present) {
    std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", root.c_str(), DriveKindName(kind), label.c_str(),
                FormatSerialNumber(serial).c_str(), fileSystem.c_str(),
                present ? "present" : "empty");
}

} // namespace

int RunDrives(const Args& args) {
    CArgs a(args, {});
    if (!a.Check({"all"}) || !a.Positional().empty()) {
        ReportError(a.Error().empty() ? "usage: quillora-cli drives [--all]" : a.Error());
        return kExitUsage;
    }
    std::printf("root\tkind\tlabel\tserial\tfile system\tpresent\n");
    if (a.Has("all")) {
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

int RunPresence(const Args& args) {
    CArgs a(args, {"password"});
    if (!a.Check({}) || a.Positional().size() != 1) {
        ReportError(a.Error().empty() ? "usage: quillora-cli presence CASE [--password P]"
                                      : a.Error());
        return kExitUsage;
    }
    std::unique_ptr<CCDCase> root = LoadCaseOrReport(a.Positional()[0], a.Value("password"));
    if (!root) {
        return kExitFailure;
    }
    LoadScanSettings();
    CMediaPresence presence;
    presence.CheckDeviceIN(*root);
    for (SVolumeInfo* medium : CMediaPresence::CollectMedia(*root)) {
        std::printf("%s\t%s\t%s\n", CatalogPath(*medium).c_str(),
                    medium->m_bPresent ? "present" : "absent", medium->m_strRoot.c_str());
    }
    return kExitOk;
}

} // namespace quillora::cli
