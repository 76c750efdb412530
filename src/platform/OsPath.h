// Conversions between the catalogue's path form ("\" separators, UTF-8 names) and
// Linux paths ("/" separators, names as raw bytes), lossless in both directions.
#pragma once

#include <string>
#include <string_view>

namespace quillora {

// A "\" inside a Linux file name cannot stay a "\" in the catalogue, where it
// separates folders; it becomes this private-use character (the stand-in Windows
// tools use for characters a name may not hold) and turns back into "\" on disk.
inline constexpr char32_t kBackslashStandIn = 0xF05C;

// One Linux name (raw bytes) -> catalogue name: UTF-8, invalid bytes kept as the
// text layer's escapes, "\" replaced by the stand-in. A name that really contains
// the stand-in character keeps its bytes as escapes, so the way back is exact.
std::string ModelNameFromOs(std::string_view osName);
// The same into `out`, whose capacity is reused (a walk converts millions of names).
void ModelNameFromOs(std::string_view osName, std::string& out);

// One catalogue name -> Linux name bytes (the inverse of ModelNameFromOs).
std::string OsNameFromModel(std::string_view modelName);

// A catalogue path ("\" separators) -> Linux path ("/" separators), each name
// converted with OsNameFromModel. A leading "\" gives a leading "/".
std::string OsPathFromModel(std::string_view modelPath);

// A Linux path -> catalogue path, each name converted with ModelNameFromOs.
std::string ModelPathFromOs(std::string_view osPath);

// Joins a catalogue path below a Linux folder: root "/media/u/DISC" and
// "Data\Photos" give "/media/u/DISC/Data/Photos"; an empty model path gives the root.
std::string OsPathBelow(std::string_view osRoot, std::string_view modelPath);

} // namespace quillora
