// The walk of the list formats, with its own stack so that deep trees cannot overflow.
#include "export/CaseWalk.h"

#include "export/CExportJob.h"
#include "model/RecordCompare.h"
#include "model/SFileInfo.h"

#include <algorithm>
#include <vector>

namespace quillora {

namespace {

struct SFrame {
    const SFileInfo* m_pEntry;
    int m_nDepth;
    std::vector<const SFileInfo*> m_children;
    std::size_t m_nNext = 0;
};

std::vector<const SFileInfo*> OrderedChildren(const SFileInfo& entry, EWalkOrder order) {
    std::vector<const SFileInfo*> children;
    children.reserve(entry.ChildCount());
    for (const auto& child : entry.Children()) {
        children.push_back(child.get());
    }
    switch (order) {
    case EWalkOrder::ChildList:
        break;
    case EWalkOrder::ContainersFirst:
        std::stable_partition(children.begin(), children.end(),
                              [](const SFileInfo* c) { return IsContainerRecord(*c); });
        break;
    case EWalkOrder::Sorted:
        std::stable_sort(children.begin(), children.end(),
                         [](const SFileInfo* a, const SFileInfo* b) {
                             const bool ca = IsContainerRecord(*a);
                             const bool cb = IsContainerRecord(*b);
                             if (ca != cb) {
                                 return ca;
                             }
                             return CompareDisplayName(*a, *b) < 0;
                         });
        break;
    }
    return children;
}

} // namespace

bool IsContainerRecord(const SFileInfo& record) {
    return record.IsDirectory() || record.HasFlags(kFlagMedium | kFlagGroup | kFlagCase);
}

bool WalkCase(const SFileInfo& start, ICaseSink& sink, const SWalkOptions& options,
              CExportJob* job) {
    std::uint64_t done = 0;
    std::vector<SFrame> stack;
    auto visit = [&](const SFileInfo& entry, int depth) {
        sink.Record(entry, depth);
        ++done;
        if (job && (done & 0xFF) == 0) {
            job->SetDone(done);
        }
        const bool below = options.m_nMaxDepth < 0 || depth + 1 <= options.m_nMaxDepth;
        if (entry.ChildCount() == 0 || !below) {
            return;
        }
        sink.EnterFolder(entry, depth);
        stack.push_back(SFrame{&entry, depth, OrderedChildren(entry, options.m_order)});
    };
    visit(start, 0);
    while (!stack.empty()) {
        if (job && job->Cancelled()) {
            sink.Finish(false);
            return false;
        }
        SFrame& frame = stack.back();
        if (frame.m_nNext == frame.m_children.size()) {
            const SFileInfo& entry = *frame.m_pEntry;
            const int depth = frame.m_nDepth;
            stack.pop_back();
            sink.LeaveFolder(entry, depth);
            continue;
        }
        const SFileInfo* child = frame.m_children[frame.m_nNext++];
        // `frame` may move when visit pushes; nothing of it is used afterwards.
        visit(*child, frame.m_nDepth + 1);
    }
    if (job) {
        job->SetDone(done);
    }
    sink.Finish(true);
    return true;
}

} // namespace quillora
