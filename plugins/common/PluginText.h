// Text helpers of the plug-ins: legacy byte strings to UTF-8 through glibc's iconv.
#pragma once

#include <string>
#include <string_view>

namespace quillora::plugin {

// `bytes` in the code page `charset` (an iconv name such as "CP932", "CP1252") as
// UTF-8; false when iconv cannot convert all of it.
bool Decode(std::string_view bytes, const char* charset, std::string& out);

// A byte string whose encoding is not declared (ID3v1, Latin-1 frames written by
// Japanese tools): UTF-8 when it is valid UTF-8; CP932 when it reads as CP932 and
// holds Japanese text; else ISO 8859-1. ASCII stays as it is.
std::string LegacyBytesToUtf8(std::string_view bytes);

// Removes trailing blanks and NULs.
std::string TrimRight(std::string s);

} // namespace quillora::plugin
