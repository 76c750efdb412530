// Carrying the user's data (marks, links, comments, categories, property sets) from
// an old copy of a medium to a freshly scanned or imported one.
#pragma once

#include <cstddef>
#include <vector>

namespace quillora {

class SFileInfo;

// How the old data meet the new: replace the new record's texts and property set,
// or fill only what the new record lacks and merge the property sets.
inline constexpr int kTransferReplace = 1;
inline constexpr int kTransferFill = 2;

// Matches every record of `newTree` with an unused record of `oldTree` at the same
// path (without regard to case; old records in tree order, each used once) and,
// when the old record has any user data (HasUserData), carries it over: the mark, the link
// (SetLink, not forced) and, by `mode`, comment, category and property set (kTransferReplace: the
// old ones replace the new; kTransferFill: comment and category only where the new ones are empty,
// and the new set's values merged over a copy of the old set). Other modes carry mark and link
// only. When both roots are media the new one takes the old label. Paths are taken below the two
// roots, so a medium mounted somewhere else than at its last scan still finds its files. The old
// tree is not changed.
void TransferUserData(SFileInfo& newTree, const SFileInfo& oldTree, int mode);

// Whether a record has anything the transfer carries: a mark, a comment, a category,
// a link or a property set.
bool HasUserData(const SFileInfo& record);

// Carries one record's data over to another as TransferUserData does for a match:
// the mark, the link (not forced) and, by `mode`, comment, category and property set.
// For records matched otherwise than by path (a file moved on its medium).
void CarryUserData(SFileInfo& target, const SFileInfo& source, int mode);

// For each folder of `unread` (records of newTree whose contents a re-scan could not
// read: unreadable, or not entered), moves the records that the folder at the same
// path in oldTree holds and the new folder lacks (by name, without regard to case)
// into the new folder, with everything below them and their user data, so that a
// re-scan never drops what it could not see. Paths are taken below the two roots.
// Returns how many records were moved (their subtrees not counted); oldTree loses
// them. Sizes are not recalculated.
std::size_t KeepUnreadFolders(SFileInfo& newTree, SFileInfo& oldTree,
                              const std::vector<SFileInfo*>& unread);

} // namespace quillora
