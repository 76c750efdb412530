// quillora-cli mount and umount: a case as a read-only folder tree.
#include "cli/ArchiveServices.h"
#include "cli/CliSupport.h"
#include "cli/CommandRegistration.h"
#include "cli/CommonOptions.h"
#include "cli/ScanSettings.h"

#include "core/ConfigData.h"
#include "document/JobOptions.h"
#include "model/CaseFile.h"
#include "model/CaseFileException.h"
#include "mount/CCaseMount.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>

namespace quillora::cli {

namespace {

struct SMountArgs {
    std::string casePath;
    std::string folder;
    std::optional<std::string> password;
    bool foreground = false;
    bool allowOther = false;
};

int RunMount(const SMountArgs& a) {
    LoadScanSettings();
    SMountOptions options;
    options.m_strCasePath = a.casePath;
    options.m_strPassword = a.password.value_or("");
    options.m_strMountPoint = a.folder;
    options.m_bAllowOther = a.allowOther;
    options.m_pArchives = &Expander();
    options.m_drives = DriveChoiceFrom(Config());
    CCaseMount mount;
    std::string error;
    CCaseMount::BlockStopSignals();
    try {
        if (!mount.Mount(options, &error)) {
            ReportError(error);
            return kExitFailure;
        }
    } catch (const CCaseFileException& e) {
        if (e.IsBadPassword()) {
            ReportError(a.casePath + ": " +
                        (a.password ? "wrong password"
                                    : "the case is protected by a password (use --password)"));
        } else {
            ReportError(DescribeCaseError(e, a.casePath));
        }
        return kExitFailure;
    } catch (const std::exception& e) {
        ReportError(DescribeCaseError(e, a.casePath));
        return kExitFailure;
    }
    // The mount is ready here: without --foreground the shell gets its prompt back now.
    if (!a.foreground && !mount.Daemonize()) {
        ReportError(a.folder + ": could not go into the background");
        return kExitFailure;
    }
    const int result = mount.Serve(true);
    if (result != 0) {
        ReportError(a.folder + ": the mount ended with an error");
        return kExitFailure;
    }
    return kExitOk;
}

struct SUmountArgs {
    std::string folder;
    bool lazy = false;
};

int RunUmount(const SUmountArgs& a) {
    std::string error;
    if (!CCaseMount::Unmount(a.folder, a.lazy, &error)) {
        ReportError(error);
        return kExitFailure;
    }
    return kExitOk;
}

const CCommandRegistration
    kMount({"mount", CommandGroup::Catalogue, "Show a case as a read-only folder tree at a folder",
            [](CLI::App& cmd) {
                auto a = std::make_shared<SMountArgs>();
                AddCaseArgument(cmd, a->casePath);
                cmd.add_option("DIR", a->folder, "The folder to mount at")
                    ->required()
                    ->check(NonEmptyPath())
                    ->type_name("DIR");
                cmd.add_flag("--foreground", a->foreground,
                             "Stay in the foreground until unmounted");
                cmd.add_flag("--allow-other", a->allowOther, "Let other users see the folder tree");
                AddPasswordOption(cmd, a->password);
                return [a] { return RunMount(*a); };
            }});

const CCommandRegistration kUmount({"umount", CommandGroup::Catalogue,
                                    "Unmount a case mounted with mount", [](CLI::App& cmd) {
                                        auto a = std::make_shared<SUmountArgs>();
                                        cmd.add_option("DIR", a->folder, "The mounted folder")
                                            ->required()
                                            ->check(NonEmptyPath())
                                            ->type_name("DIR");
                                        cmd.add_flag("--lazy", a->lazy,
                                                     "Detach now even while the folder is in use");
                                        return [a] { return RunUmount(*a); };
                                    }});

} // namespace

} // namespace quillora::cli
