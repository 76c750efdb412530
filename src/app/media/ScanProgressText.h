// The texts the loading dialog shows for the scan's progress: the folder being read,
// shortened to fit its line, and the name line with what is being done to the entry.
#pragma once

#include <cstddef>
#include <string>

namespace quillora {

class SFileInfo;

inline constexpr std::size_t kProgressPathLimit = 35;

// The folder part of the record's path: cut after its last separator, and without
// that trailing separator when the parent's own path holds one (so a medium's root
// keeps it); with "/" separators, as Linux paths are written.
std::string ProgressFolderPath(const SFileInfo& record);

// A path of at most `limit` characters (UTF-8 code points) unchanged; a longer one as
// ".../" and the text after the leftmost separator among its last limit-3 characters.
// When those characters hold no separator, or only as their last character, the path
// is returned whole. Separators are "/" and "\".
std::string ShortenProgressPath(const std::string& path, std::size_t limit = kProgressPathLimit);

// The name line for a progress code: the name for kScanProgressRecord, else the
// prefix of the code (comment extraction, archive listing, CRC) and the name.
std::string ProgressNameLine(int code, const std::string& name);

} // namespace quillora
