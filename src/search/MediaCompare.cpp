// Media-case and case-link comparison.
#include "search/MediaCompare.h"

#include "core/Text.h"
#include "model/CaseEditing.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"
#include "search/CMatchTree.h"
#include "search/LinkTarget.h"

#include <string_view>

namespace quillora {

namespace {

using Node = CMatchTree::Node;

// The parent's path the way the desktop shows paths.
std::string LocationOf(const SFileInfo& record) {
    const SFileInfo* parent = record.GetParent();
    return parent ? OsPathFromModel(parent->GetPath()) : std::string();
}

SCompareRow MakeRow(int result, const SFileInfo& shown, std::optional<FileTime> first,
                    std::optional<FileTime> second, const SFileInfo* caseRecord) {
    SCompareRow row;
    row.m_nResult = result;
    row.m_strName = shown.GetDisplayName();
    row.m_strLocation = LocationOf(shown);
    row.m_first = first;
    row.m_second = second;
    row.m_pCaseRecord = caseRecord;
    return row;
}

// One record of the other medium waiting in the walk, with what its parent matched.
struct SPending {
    const SFileInfo* m_pRecord;
    std::size_t m_level; // 1 for the medium's own entries
    Node m_parentMatch;  // the case record the parent matched; kNone: none
    bool m_bAmbiguous;   // a level above offered more than one way down
};

void PushChildren(const SFileInfo& record, std::size_t level, Node match, bool ambiguous,
                  std::vector<SPending>& stack) {
    const auto& children = record.Children();
    for (std::size_t i = children.size(); i-- > 0;) {
        stack.push_back({children[i].get(), level, match, ambiguous});
    }
}

} // namespace

CompareRows CompareMediumWithCase(const SVolumeInfo& caseMedium, const SVolumeInfo& other) {
    CMatchTree tree(caseMedium);
    CompareRows rows;
    const bool sameMedium = text::EqualsNoCase(caseMedium.m_strName, other.m_strName);
    std::vector<SPending> stack;
    PushChildren(other, 1, sameMedium ? CMatchTree::kRoot : CMatchTree::kNone,
                 sameMedium && tree.HasAmbiguousChildren(CMatchTree::kRoot), stack);
    // The names from the medium down to the record being looked at.
    std::vector<std::string_view> names;
    while (!stack.empty()) {
        const SPending item = stack.back();
        stack.pop_back();
        const SFileInfo& record = *item.m_pRecord;
        names.resize(item.m_level);
        names.back() = record.m_strName;

        Node match = CMatchTree::kNone;
        bool ambiguous = item.m_bAmbiguous;
        if (item.m_parentMatch != CMatchTree::kNone) {
            // The parent matched the first way down; the first child named so below
            // it is the first way down for this record too. Only when it has none and
            // another way down for the parent exists must the whole path be searched.
            match = tree.FirstChildNamed(item.m_parentMatch, record.m_strName);
            if (match == CMatchTree::kNone && ambiguous) {
                match = tree.FindPath(names);
            } else if (match != CMatchTree::kNone) {
                ambiguous = ambiguous || tree.HasAmbiguousChildren(item.m_parentMatch);
            }
        }
        if (match == CMatchTree::kNone) {
            rows.push_back(
                MakeRow(kResultMediumOnly, record, record.m_ftLastWrite, std::nullopt, nullptr));
        } else {
            tree.MarkMatched(match);
            const SFileInfo& caseRecord = tree.Record(match);
            if (record.m_ftLastWrite != caseRecord.m_ftLastWrite) {
                int result = record.m_ftLastWrite > caseRecord.m_ftLastWrite ? kResultMediumNewer
                                                                             : kResultCaseNewer;
                rows.push_back(MakeRow(result, record, record.m_ftLastWrite,
                                       caseRecord.m_ftLastWrite, &caseRecord));
            }
        }
        PushChildren(record, item.m_level + 1, match, ambiguous, stack);
    }
    tree.ForEachPreOrder([&](Node node) {
        if (!tree.IsMatched(node)) {
            const SFileInfo& caseRecord = tree.Record(node);
            rows.push_back(MakeRow(kResultCaseOnly, caseRecord, std::nullopt,
                                   caseRecord.m_ftLastWrite, &caseRecord));
        }
    });
    return rows;
}

CompareRows CompareCaseWithLinks(const SFileInfo& medium) {
    CompareRows rows;
    for (const SFileInfo* record : Collect(medium, kCollectLinked)) {
        FileTime own = record->m_ftLastWrite;
        // A medium usually keeps no time of its own: its row then says only whether
        // the link target is there, as a time of 1601 would make any target newer.
        const bool timeless = record->HasFlags(kFlagMedium) && own == 0;
        const std::optional<FileTime> shown =
            timeless ? std::nullopt : std::optional<FileTime>(own);
        FileTime target = 0;
        if (!LinkTargetTime(record->Link(), &target)) {
            rows.push_back(MakeRow(kResultLinkMissing, *record, shown, std::nullopt, record));
            continue;
        }
        int result = timeless       ? kResultEqual
                     : target < own ? kResultCaseNewer
                                    : (target == own ? kResultEqual : kResultLinkNewer);
        rows.push_back(MakeRow(result, *record, shown, target, record));
    }
    return rows;
}

} // namespace quillora
