// The change list of a re-scan: both trees walked side by side, folder by folder, on
// an explicit stack; moves paired by size, then time and CRC.
#include "scan/MediumChanges.h"

#include "model/RecordFlags.h"
#include "model/SFileInfo.h"
#include "scan/PreviousFolder.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace quillora {

namespace {

bool IsPlainFolder(const SFileInfo& record) {
    return record.IsDirectory() && !record.HasFlags(kFlagListedArchive);
}

bool HasCrc(const SFileInfo& record) {
    return (record.m_wExtFlags & kExtFlagCrc) != 0;
}

std::string PathBelow(const SFileInfo& record, const SFileInfo& top) {
    std::vector<const std::string*> names;
    for (const SFileInfo* r = &record; r && r != &top; r = r->GetParent()) {
        names.push_back(&r->GetName());
    }
    std::string path;
    for (std::size_t i = names.size(); i-- > 0;) {
        path += *names[i];
        if (i > 0) {
            path += '\\';
        }
    }
    return path;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

const char* CMediumChanges::KindWord(ChangeKind kind) {
    switch (kind) {
    case ChangeKind::Added:
    case ChangeKind::FolderAdded:
        return "added";
    case ChangeKind::Removed:
    case ChangeKind::FolderRemoved:
        return "removed";
    case ChangeKind::Modified:
        return "modified";
    case ChangeKind::Moved:
        return "moved";
    }
    return "";
}

void CMediumChanges::Add(ChangeKind kind, const SFileInfo* oldRecord, SFileInfo* newRecord) {
    SMediumChange& change = m_changes.emplace_back();
    change.m_kind = kind;
    change.m_old = oldRecord;
    change.m_new = newRecord;
}

void CMediumChanges::AddedBelow(SFileInfo& record) {
    std::vector<SFileInfo*> stack{&record};
    while (!stack.empty()) {
        SFileInfo* r = stack.back();
        stack.pop_back();
        if (!IsPlainFolder(*r)) {
            Add(ChangeKind::Added, nullptr, r);
            continue;
        }
        Add(ChangeKind::FolderAdded, nullptr, r);
        for (std::size_t i = r->ChildCount(); i-- > 0;) {
            stack.push_back(r->ChildAt(i));
        }
    }
}

void CMediumChanges::RemovedBelow(const SFileInfo& record) {
    std::vector<const SFileInfo*> stack{&record};
    while (!stack.empty()) {
        const SFileInfo* r = stack.back();
        stack.pop_back();
        if (!IsPlainFolder(*r)) {
            Add(ChangeKind::Removed, r, nullptr);
            continue;
        }
        Add(ChangeKind::FolderRemoved, r, nullptr);
        for (std::size_t i = r->ChildCount(); i-- > 0;) {
            stack.push_back(r->ChildAt(i));
        }
    }
}

void CMediumChanges::Compute(const SFileInfo& oldMedium, SFileInfo& newMedium, TimeRule rule,
                             const std::vector<SFileInfo*>& foldersNotRead) {
    Clear();
    const std::unordered_set<const SFileInfo*> notRead(foldersNotRead.begin(),
                                                       foldersNotRead.end());
    std::vector<const SFileInfo*> gone;
    std::vector<std::pair<const SFileInfo*, SFileInfo*>> folders{{&oldMedium, &newMedium}};
    while (!folders.empty()) {
        auto [oldFolder, newFolder] = folders.back();
        folders.pop_back();
        CPreviousFolder previous(oldFolder);
        // Subfolders go on the stack last to first, so that they are compared in order.
        std::vector<std::pair<const SFileInfo*, SFileInfo*>> below;
        for (std::size_t i = 0; i < newFolder->ChildCount(); ++i) {
            SFileInfo& now = *newFolder->ChildAt(i);
            const SFileInfo* before = previous.Take(now.GetName());
            if (!before) {
                AddedBelow(now);
            } else if (IsPlainFolder(now) != IsPlainFolder(*before)) {
                gone.push_back(before);
                AddedBelow(now);
            } else if (IsPlainFolder(now)) {
                if (!notRead.contains(&now)) {
                    below.emplace_back(before, &now);
                }
            } else if (now.m_nSize != before->m_nSize) {
                Add(ChangeKind::Modified, before, &now);
            } else {
                const TimeMatch times =
                    CompareWriteTimes(before->m_ftLastWrite, now.m_ftLastWrite, rule);
                if (times == TimeMatch::Different) {
                    Add(ChangeKind::Modified, before, &now);
                } else if (times == TimeMatch::ShiftedHours) {
                    ++m_timesShifted;
                }
            }
        }
        for (const SFileInfo* left : previous.Untaken()) {
            gone.push_back(left);
        }
        folders.insert(folders.end(), below.rbegin(), below.rend());
    }
    for (const SFileInfo* record : gone) {
        RemovedBelow(*record);
    }
    PairMoves(rule);
    for (SMediumChange& change : m_changes) {
        change.m_path = change.m_new ? PathBelow(*change.m_new, newMedium)
                                     : PathBelow(*change.m_old, oldMedium);
        if (change.m_kind == ChangeKind::Moved) {
            change.m_from = PathBelow(*change.m_old, oldMedium);
        }
        ++m_counts[static_cast<std::size_t>(change.m_kind)];
    }
}

void CMediumChanges::PairMoves(TimeRule rule) {
    // Removals by size, each list in tree order: an addition takes the first removal
    // that fits, so a pairing does not depend on how a table orders its entries.
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> removedBySize;
    for (std::size_t i = 0; i < m_changes.size(); ++i) {
        if (m_changes[i].m_kind == ChangeKind::Removed) {
            removedBySize[m_changes[i].m_old->m_nSize].push_back(i);
        }
    }
    if (removedBySize.empty()) {
        return;
    }
    std::vector<bool> paired(m_changes.size(), false);
    for (SMediumChange& added : m_changes) {
        if (added.m_kind != ChangeKind::Added) {
            continue;
        }
        const SFileInfo& now = *added.m_new;
        const auto candidates = removedBySize.find(now.m_nSize);
        if (candidates == removedBySize.end()) {
            continue;
        }
        for (const std::size_t index : candidates->second) {
            const SFileInfo& before = *m_changes[index].m_old;
            if (paired[index] ||
                CompareWriteTimes(before.m_ftLastWrite, now.m_ftLastWrite, rule) ==
                    TimeMatch::Different ||
                (HasCrc(before) && HasCrc(now) && before.m_dwExtValue != now.m_dwExtValue)) {
                continue;
            }
            paired[index] = true;
            added.m_kind = ChangeKind::Moved;
            added.m_old = &before;
            break;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_changes.size(); ++i) {
        if (paired[i]) {
            continue;
        }
        if (kept != i) {
            m_changes[kept] = std::move(m_changes[i]);
        }
        ++kept;
    }
    m_changes.resize(kept);
}

std::string CMediumChanges::Summary() const {
    std::string text = std::to_string(Count(ChangeKind::Added)) + " added, " +
                       std::to_string(Count(ChangeKind::Removed)) + " removed, " +
                       std::to_string(Count(ChangeKind::Modified)) + " modified, " +
                       std::to_string(Count(ChangeKind::Moved)) + " moved, " +
                       Counted(Count(ChangeKind::FolderAdded), "folder", "folders") + " added, " +
                       Counted(Count(ChangeKind::FolderRemoved), "folder", "folders") + " removed";
    if (m_timesShifted != 0) {
        text += ", times shifted by whole hours on " + Counted(m_timesShifted, "file", "files");
    }
    return text;
}

} // namespace quillora
