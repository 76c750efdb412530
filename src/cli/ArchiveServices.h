// The archivers of quillora-cli: loaded once at start-up so that ".caz" cases open,
// scans list archives and entries of archives can be extracted.
#pragma once

#include <string>

namespace quillora {
class CArchiverSet;
class CArchiveExpander;
} // namespace quillora

namespace quillora::cli {

// Loads every archiver adapter, installs the ".caz" case stream and the archive
// entry extractor. Called once by main before any command runs.
void StartArchiveServices();
// Whether `command` may open archives or ".caz" cases through the archivers: false
// for `locate` and `index`, which read ".caz" files with an LHA reader of their own.
bool NeedsArchiveServices(const std::string& command);
// Unloads the adapters (at exit).
void StopArchiveServices();

CArchiverSet& Archivers();
CArchiveExpander& Expander();

// Whether scans list archives (on unless a command turns it off).
void SetListArchives(bool on);
bool ListArchives();

} // namespace quillora::cli
