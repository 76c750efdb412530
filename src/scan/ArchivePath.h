// Paths of archive entries: where an entry lands below an extraction folder, how its
// leading parent references are counted, and how raw name bytes become UTF-8.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Where an entry lands below an extraction folder, as names of the file system (bytes):
// the folders to walk or make, then the entry's own name.
struct SExtractedParts {
    std::vector<std::string> m_folders;
    std::string m_strLeaf;
};

// The parts of `pathInArchive` below an extraction folder: with folder structure one
// "_parent_" per leading parent reference, then the rest of the path; without it only
// the last component. Leading separators are dropped, so a member stored with an
// absolute path lands below the folder like any other (and is found there under the
// path the catalogue gives it). Empty when the path cannot be placed safely: a ".."
// anywhere after the leading references, or nothing left to name.
std::optional<SExtractedParts> ExtractedParts(std::string_view pathInArchive, bool withFolders);

// ExtractedParts joined below `dest`; never a path outside `dest`.
std::optional<std::filesystem::path>
ExtractedPath(const std::filesystem::path& dest, std::string_view pathInArchive, bool withFolders);

// The key under which an entry asked for by its catalogue path is matched with the
// archive's listing: separators unified, leading separators, "./" and repeated
// separators dropped, ASCII letters folded. Leading parent references stay, so
// "../a" and "a" remain different entries.
std::string ArcMatchKey(std::string_view path);

// Name bytes as an archive stored them -> UTF-8: valid UTF-8 stays as it is (names
// with their own UTF-8 flag, archives made on Unix), anything else is read as CP932,
// the code page of archives made on Japanese Windows, so that a trail byte 0x5C never
// splits a name. Bytes that do not decode are kept as escapes of the text layer.
std::string DecodeArcName(std::string_view raw);

} // namespace quillora
