// The process's one archiver set and archive expander.
#include "cli/ArchiveServices.h"

#include "core/ConfigData.h"
#include "document/JobOptions.h"
#include "model/StoredContents.h"
#include "scan/ArchiveExpander.h"
#include "scan/ArchiverSet.h"
#include "scan/CArchivedCaseFile.h"

namespace quillora::cli {

CArchiverSet& Archivers() {
    static CArchiverSet archivers;
    return archivers;
}

CArchiveExpander& Expander() {
    static CArchiveExpander expander(Archivers());
    // The settings are read before a command uses the expander; each use takes them as
    // they stand then.
    expander.SetArchiveOptions(ArchiveOptionsFrom(Config()));
    return expander;
}

namespace {
bool g_listArchives = true;
} // namespace

void SetListArchives(bool on) {
    g_listArchives = on;
}

bool ListArchives() {
    return g_listArchives;
}

void StartArchiveServices() {
    Archivers().LoadAll();
    InstallArchivedCaseStreams(Archivers());
    SetArchiveEntryExtractor(&Expander());
}

bool NeedsArchiveServices(const std::string& command) {
    return command != "locate" && command != "index";
}

void StopArchiveServices() {
    SetArchiveEntryExtractor(nullptr);
    Archivers().UnloadAll();
}

} // namespace quillora::cli
