// Replaying an in-memory tree into a record sink, in the order the case reader would
// give the same records from a file: a consumer of the stream serves a loaded case too.
#pragma once

#include "model/IRecordSink.h"

namespace quillora {

class SFileInfo;

// The facts of one record (texts, property set and contents copied).
void FactsOf(const SFileInfo& record, SRecordFacts& facts);

// Gives `top` and every record below it to `sink` in pre-order: the case, groups and
// media as BeginMedium ... EndMedium, records with children as EnterFolder ...
// LeaveFolder, the rest as Entry; then Finish(Complete). No machine-stack recursion.
void ReplayTree(const SFileInfo& top, IRecordSink& sink);

} // namespace quillora
