// Paths of archive entries: where an entry lands below an extraction folder, how its
// leading parent references are counted, and how raw name bytes become UTF-8.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillora {

// The folder that stands for one leading "../" below an extraction folder: an entry
// listed as "../../a.txt" is extracted to <dest>/_parent_/_parent_/a.txt, so that it
// stays inside the destination and every reader finds it at the same place.
inline constexpr std::string_view kArcParentFolder = "_parent_";

// The leading parent references of a listed path ("../", "..\" repeated, after at
// most one "./" before them) and the rest of the path.
struct SArcPathParts {
    std::size_t m_nParentDepth = 0;
    std::string m_strRest;
};

// "\" and "/" both separate; a "./" after a parent reference or a second "./" makes
// the prefix invalid (depth 0, path unchanged).
SArcPathParts SplitParentPrefix(std::string_view path);

// Path in an archive with "\" turned into "/" (catalogue paths use "\").
std::string NormalizeArcPath(std::string_view path);

// Where the entry `pathInArchive` is (or would be) extracted below `dest`: with folder
// structure dest / "_parent_" per leading parent reference / the rest; without it
// dest / the last component. Empty when the path cannot be placed safely: absolute
// paths, a ".." anywhere after the leading references, an empty last component, or
// a drive prefix such as "C:". Never returns a path outside `dest`.
std::optional<std::filesystem::path>
ExtractedPath(const std::filesystem::path& dest, std::string_view pathInArchive, bool withFolders);

// Name bytes as an archive stored them -> UTF-8: valid UTF-8 stays as it is (names
// with their own UTF-8 flag, archives made on Unix), anything else is read as CP932,
// the code page of archives made on Japanese Windows, so that a trail byte 0x5C never
// splits a name. Bytes that do not decode are kept as escapes of the text layer.
std::string DecodeArcName(std::string_view raw);

bool IsValidUtf8(std::string_view bytes);

} // namespace quillora
