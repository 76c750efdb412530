// The archivers of quillora-cli: loaded once at start-up so that ".caz" cases open,
// scans list archives and entries of archives can be extracted.
#pragma once

namespace quillora {
class CArchiverSet;
class CArchiveExpander;
} // namespace quillora

namespace quillora::cli {

// Loads every archiver adapter, installs the ".caz" case stream and the archive
// entry extractor. Called once by main before any command runs.
void StartArchiveServices();
// Unloads the adapters (at exit).
void StopArchiveServices();

CArchiverSet& Archivers();
CArchiveExpander& Expander();

// Whether scans list archives (on unless a command turns it off).
void SetListArchives(bool on);
bool ListArchives();

} // namespace quillora::cli
