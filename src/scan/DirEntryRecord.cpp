// Directory entry to record.
#include "scan/DirEntryRecord.h"

#include "model/SFileInfo.h"
#include "platform/DirectoryReader.h"

namespace quillora {

std::unique_ptr<SFileInfo> RecordFromEntry(const SDirEntry& entry) {
    auto record = std::make_unique<SFileInfo>();
    record->m_strName = entry.m_name;
    record->m_nSize = entry.m_size;
    record->m_dwFlags = entry.m_attributes;
    record->m_ftCreation = entry.m_creation;
    record->m_ftLastAccess = entry.m_lastAccess;
    record->m_ftLastWrite = entry.m_lastWrite;
    return record;
}

} // namespace quillora
