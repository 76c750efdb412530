// One walk over a subtree of the catalogue into a sink (ICaseSink), in the order a list
// format asks for, with an optional depth limit and a stop token.
#pragma once

#include "export/ICaseSink.h"

namespace quillora {

class CExportJob;

// The order of the children of one entry.
enum class EWalkOrder {
    ChildList,       // as the tree holds them
    Sorted,          // folders, media and groups first, then by display name as the
                     // file list compares names
    ContainersFirst, // folders, media, groups first, each part in child-list order
};

struct SWalkOptions {
    EWalkOrder m_order = EWalkOrder::ChildList;
    // Children are visited down to this depth (the start entry is at 0); -1: no limit.
    int m_nMaxDepth = -1;
};

// Whether a record is a container of the catalogue: a folder (also a listed archive), a
// medium, a group or the case.
bool IsContainerRecord(const SFileInfo& record);

// Walks `start` and its subtree into `sink` (see ICaseSink for the call order), without
// recursion. With a job, counts the records in its progress and stops early when it is
// cancelled; returns false then (after Finish(false)).
bool WalkCase(const SFileInfo& start, ICaseSink& sink, const SWalkOptions& options,
              CExportJob* job = nullptr);

} // namespace quillora
