// Wildcard patterns ("*.txt", "a?c", "draft;final") as extended regular expressions
// that search anywhere in a text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillora {

// The pattern and the expression each fit, with a terminating zero, in this many bytes.
inline constexpr std::size_t kPatternBufferSize = 1024;

// Converts a wildcard pattern. A pattern without "*" is taken as "*" followed by it;
// one leading "*" and then one trailing "*" are dropped; "*" becomes ".*", "?" ".",
// ";" "|", the signs "$+.[]^|" are escaped, everything else (a multi-byte character
// as a unit, and "(", ")", "{", "}", "\") is copied. An expression holding an
// alternative and longer than one byte is enclosed in "(" and ")". A lone "*" gives
// the empty expression, which matches every text.
// False, with `expression` empty, when the pattern or the expression would not fit
// in kPatternBufferSize bytes.
bool ConvertWildcard(std::string_view pattern, std::string& expression);

} // namespace quillora
