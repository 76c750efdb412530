// Where a record's link points on this system, and what is there now.
#pragma once

#include "core/FileTime.h"

#include <string>
#include <string_view>

namespace quillora {

// The Linux path of a link ("\" or "/" separated, absolute). Empty for a link that
// names no Linux path: a relative path, or a Windows path such as "D:\Docs\a.txt" or
// "\\server\share" written on a case made elsewhere.
std::string LinkOsPath(std::string_view link);

// Whether the link target exists (a link to a link is followed); then *time holds
// its last-write time.
bool LinkTargetTime(std::string_view link, FileTime* time);

// The last-write time of the file or folder at the Linux path; false when there is
// nothing (symbolic links are followed).
bool OsLastWriteTime(const std::string& osPath, FileTime* time);

} // namespace quillora
