// How quillora-cli reaches the index of every case: the folder from --index or the
// settings, and the index kept up to date with the cases the commands save and open.
#pragma once

#include "index/CCaseIndex.h"

#include <memory>
#include <optional>
#include <string>

namespace quillora {
class CCDCase;
}

namespace quillora::cli {

// Opens the shared index on `server`, else the embedded one in `folder`, else the one
// the settings name; reports why it cannot be opened and gives null, or reports a
// damaged index that was rebuilt.
std::unique_ptr<CCaseIndex> OpenIndexOrReport(const std::optional<std::string>& folder,
                                              const std::optional<std::string>& server = {});

// After a command saved or opened the case file `path` holding `root`: takes the case
// into the index unless the settings turn that off. A failure is reported as a warning:
// the command's own work is done.
void IndexCaseAfterCommand(const CCDCase& root, const std::string& path);
// The same after a command read the case file `path` as a stream.
void IndexCaseFileAfterCommand(const std::string& path);

} // namespace quillora::cli
