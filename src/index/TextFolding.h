// Folding of names and query words for the index of every case: Unicode NFKC and full
// case folding (ICU), so that width, compatibility forms and case never decide a match.
#pragma once

#include <string>
#include <string_view>

namespace quillora {

// `utf8` normalised with NFKC, case-folded in full (ß -> ss) and normalised again, as
// UTF-8. Plain ASCII takes a fast path with the same result. Text that is not valid
// UTF-8 (never a name the catalogue holds: it keeps odd bytes as escapes) only has its
// ASCII letters lowered, so that no byte is lost to a replacement character.
std::string FoldForIndex(std::string_view utf8);

// Appends the folded form of `utf8` to `out` (FoldForIndex without a new string).
void AppendFolded(std::string_view utf8, std::string& out);

} // namespace quillora
