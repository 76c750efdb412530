// The text clean-up of the extractors on UTF-8 text: the three character maps
// (half-width katakana to full-width, special Western letters to ASCII, full-width
// letters, digits and signs to ASCII) and the handling of blanks.
#pragma once

#include <string>
#include <string_view>

namespace quillora::charmaps {

// Applies the enabled maps character by character. With `oubun` every character of
// the Windows Western code page's upper half (accented letters, typographic quotes,
// dashes...) becomes its ASCII stand-in ("é" -> "e", "…" -> "..."); with `eibun` the
// full-width forms of ASCII letters, digits and signs become ASCII; with `hankaku`
// half-width katakana become full-width, a following voiced or semi-voiced mark
// joining the letter when the pair exists ("ｶﾞ" -> "ガ"). Other text is copied.
std::string MapChars(std::string_view utf8, bool hankaku, bool oubun, bool eibun);

// Blanks are the space, the tab and the full-width space U+3000. Mode 1 deletes them
// all; mode 2 shortens each run of one kind to one; 0 leaves the text alone.
void ProcessSpaces(std::string& utf8, int mode);

// True when the text holds nothing but blanks and line ends.
bool IsBlank(std::string_view utf8);

// Removes one line end (CR LF, LF or CR) at the end.
void RemoveLineEnd(std::string& utf8);

// Shortens every run of consecutive CR LF pairs to one.
void CompressLineEnds(std::string& utf8);

} // namespace quillora::charmaps
