// Queries and edits over the case tree beyond single fields: finding records by name
// or path, paths inside archives, marks and collections, links over whole subtrees.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class SFileInfo;

// Collection masks: which records Collect returns.
inline constexpr std::uint32_t kCollectAll = 0x8000;
inline constexpr std::uint32_t kCollectMarked = 0x0001;
inline constexpr std::uint32_t kCollectLinked = 0x0002;
inline constexpr std::uint32_t kCollectCommented = 0x0004;
inline constexpr std::uint32_t kCollectCategorised = 0x0008;
inline constexpr std::uint32_t kCollectProps = 0x0010;

// Bit 0 of m_byMark: the record is marked.
inline constexpr std::uint8_t kMarkBit = 0x01;

// --- Look-ups ---

// The level below `top` (its children are at 1) of the deepest record that has
// children; 0 when only `top` has any, -1 when nothing has. A case file holds a record
// with children only above kMaxTreeDepth.
int DeepestParentLevel(const SFileInfo& top);

// The first child folder of `parent` whose GetName equals `name` without regard to
// case ("/" in name counts as "\"); null when there is none.
SFileInfo* FindChildFolder(const SFileInfo& parent, std::string_view name);

// Depth-first from `root` (itself included): the first record whose GetPath equals
// `path` without regard to case; null when there is none.
SFileInfo* FindByPath(const SFileInfo& root, std::string_view path);

// Finds or creates, below the archive record, the folder entry of every level of
// `path` (split at "/" and "\"; empty levels are skipped). Created folders are
// archive entries with the flags 0xC0000010. Returns the deepest folder, or the
// archive record itself when the path names no level.
SFileInfo* EnsureArchiveFolder(SFileInfo& archive, std::string_view path);

// --- Paths ---

struct SSplitPath {
    std::string m_strFolder; // up to and including the last separator; may be empty
    std::string m_strName;
};

// Splits at the last "\" or "/"; a path without one is all name.
SSplitPath SplitPath(std::string_view path);

// The record's name preceded by each ancestor's name and "\", up to but excluding
// `base` (null: no base), stopping after a medium and before the case; then put below
// `prefix` (a "\" between them unless prefix ends in "\" or "/"; an empty prefix adds
// nothing), or below ".\" when prefix is null. The result is normalised by
// NormalizePath.
std::string RelativePath(const SFileInfo& record, const SFileInfo* base, const char* prefix);

// Joins the path's levels with "\" ("/" counts as "\"), dropping empty and "."
// levels and letting ".." remove the level before it. A leading "\" (or "\\" of a
// network path), a leading drive ("X:") and a leading ".\" are kept; ".." that has
// nothing to remove stays in a relative path and is dropped at a root.
std::string NormalizePath(std::string_view path);

// The listed archive file that holds the record on disk (the outermost one when
// archives are nested); null when the record is not inside an archive.
SFileInfo* OutermostArchive(const SFileInfo& record);

// The path of the record inside its outermost archive: the names of the record and
// of its archive-entry ancestors, joined with "\", without placeholder "Parent"
// folders; an entry listed with leading parent references gets them in front.
std::string PathInsideArchive(const SFileInfo& record);

// The label of the enclosing medium; empty when there is none.
std::string MediumLabel(const SFileInfo& record);

// --- Marks and collections ---

// Sets (on) or clears the given bits of m_byMark.
void SetMark(SFileInfo& record, std::uint8_t bits, bool on);
bool IsMarked(const SFileInfo& record);

// Whether the record's user data match the mask (kCollect... bits, any of them).
bool MatchesCollectMask(const SFileInfo& record, std::uint32_t mask);

// The record and its descendants that match the mask, depth-first in tree order.
// The pointers stay owned by the tree.
std::vector<SFileInfo*> Collect(const SFileInfo& root, std::uint32_t mask);

// --- Links ---

// Links the record to `path`. Without `force` a record that already has a link keeps
// it. A folder links its whole subtree (SetLinkTree(path, 0)); any other record just
// takes the path.
void SetLink(SFileInfo& record, const std::string& path, bool force);

// Sets the record's link to `path` and its inherited flag, then (unless the record
// is a listed archive) links every child: an empty path clears the links below; a
// path continues with "\" and the child's name, marked as inherited.
void SetLinkTree(SFileInfo& record, const std::string& path, std::uint8_t inherited);

} // namespace quillora
