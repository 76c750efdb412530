// What an extractor found is cleaned before it becomes a comment or a property: outside
// documents hold NULs, control bytes and bytes no encoding of theirs decodes, which a
// comment has no use for and which JSON and other readers of our output refuse.
#pragma once

#include <string>

namespace quillora {

// Drops NUL and the other control characters but tab, line feed and carriage return,
// and puts U+FFFD for each byte that did not decode (the text layer's escapes) and
// each byte of invalid UTF-8. The result is valid UTF-8.
void CleanExtractedText(std::string& text);

} // namespace quillora
