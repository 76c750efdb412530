// A listed directory entry as a catalogue record: the one place its name, size,
// attributes and times become a record's, for the walk and for an archive's node.
#pragma once

#include <memory>

namespace quillora {

class SFileInfo;
struct SDirEntry;

std::unique_ptr<SFileInfo> RecordFromEntry(const SDirEntry& entry);

} // namespace quillora
