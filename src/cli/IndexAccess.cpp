// The command line's way to the index of every case.
#include "cli/IndexAccess.h"

#include "cli/CliSupport.h"
#include "index/OpenCaseIndex.h"
#include "index/SIndexSettings.h"

namespace quillora::cli {

std::unique_ptr<CCaseIndex> OpenIndexOrReport(const std::optional<std::string>& folder,
                                              const std::optional<std::string>& server) {
    try {
        std::unique_ptr<CCaseIndex> index;
        if (server) {
            index = OpenServerIndex(*server);
        } else if (folder) {
            index = std::make_unique<CCaseIndex>(*folder);
        } else {
            index = OpenCaseIndex(SIndexSettings::Load(ReadSettingsStore()));
        }
        if (!index->Problem().empty()) {
            ReportError("warning: " + index->Problem());
        }
        return index;
    } catch (const std::exception& e) {
        ReportError(std::string("the index cannot be used: ") + e.what());
    }
    return nullptr;
}

namespace {

template <class Take> void IndexAfterCommand(Take take) {
    const SIndexSettings settings = SIndexSettings::Load(ReadSettingsStore());
    if (!settings.m_bIndexOpenedAndSaved) {
        return;
    }
    try {
        take(*OpenCaseIndex(settings));
    } catch (const std::exception& e) {
        ReportError(std::string("warning: the index was not updated: ") + e.what());
    }
}

} // namespace

void IndexCaseAfterCommand(const CCDCase& root, const std::string& path) {
    IndexAfterCommand([&](CCaseIndex& index) { index.TakeOpenCase(root, path); });
}

void IndexCaseFileAfterCommand(const std::string& path) {
    IndexAfterCommand([&](CCaseIndex& index) { index.TakeCaseFile(path); });
}

} // namespace quillora::cli
