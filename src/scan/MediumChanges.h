// CMediumChanges: what a re-scan found changed on a medium against the copy the case
// held: files added, removed, modified (size or last-write time) or moved (a removed
// and an added file of the same size, time and, where both have one, CRC), and
// folders added or removed. Files inside listed archives are not looked at one by
// one: an archive is a file here.
#pragma once

#include "scan/RescanTimes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class SFileInfo;

enum class ChangeKind : std::uint8_t {
    Added,
    Removed,
    Modified,
    Moved,
    FolderAdded,
    FolderRemoved,
};
inline constexpr std::size_t kChangeKinds = 6;

struct SMediumChange {
    ChangeKind m_kind = ChangeKind::Added;
    // Below the medium, names joined by "\": the new path (the old one for removals).
    std::string m_path;
    // A move's old path; empty otherwise.
    std::string m_from;
    // The records in the two trees; valid while both trees live unchanged. Null where
    // the kind has none (no old record for an addition, no new one for a removal).
    const SFileInfo* m_old = nullptr;
    SFileInfo* m_new = nullptr;
};

class CMediumChanges {
public:
    // Compares `newMedium`, just scanned, with `oldMedium`, the copy the case held.
    // Folders of `foldersNotRead` (records of newMedium whose contents the scan could
    // not read) are taken as unchanged below. Times compare by `rule`; a file whose
    // time moved by whole hours under the FAT rule is unchanged and counted in
    // TimesShifted(). Replaces what an earlier call found.
    void Compute(const SFileInfo& oldMedium, SFileInfo& newMedium, TimeRule rule,
                 const std::vector<SFileInfo*>& foldersNotRead);
    void Clear() { *this = CMediumChanges(); }

    // In the order found: the new tree's order for what it holds, then what is gone.
    const std::vector<SMediumChange>& Changes() const { return m_changes; }
    std::size_t Count(ChangeKind kind) const { return m_counts[static_cast<std::size_t>(kind)]; }
    bool Empty() const { return m_changes.empty(); }
    // Files taken as unchanged although their times moved by whole hours.
    std::size_t TimesShifted() const { return m_timesShifted; }

    // "2 added, 1 removed, 1 modified, 1 moved, 1 folder added, 0 folders removed";
    // with ", times shifted by whole hours on N files" when that happened. English,
    // for the command line and the trace log.
    std::string Summary() const;

    // "added", "removed", "modified", "moved", "added", "removed" (folders are told
    // apart by IsFolderChange).
    static const char* KindWord(ChangeKind kind);
    static bool IsFolderChange(ChangeKind kind) {
        return kind == ChangeKind::FolderAdded || kind == ChangeKind::FolderRemoved;
    }

private:
    void Add(ChangeKind kind, const SFileInfo* oldRecord, SFileInfo* newRecord);
    void AddedBelow(SFileInfo& record);
    void RemovedBelow(const SFileInfo& record);
    void PairMoves(TimeRule rule);

    std::vector<SMediumChange> m_changes;
    std::array<std::size_t, kChangeKinds> m_counts{};
    std::size_t m_timesShifted = 0;
};

} // namespace quillora
