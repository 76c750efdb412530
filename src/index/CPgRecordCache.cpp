// The records above found records, kept by one connection to the index server.
#include "index/CPgRecordCache.h"

#include <utility>

namespace quillora {

void CPgRecordCache::Use(std::int64_t content, std::int64_t generation) {
    if (m_nRecords > kMostRecords) {
        m_contents.clear();
        m_nRecords = 0;
    }
    SContents& c = m_contents[content];
    if (c.m_nGeneration != generation) {
        m_nRecords -= c.m_records.size();
        c.m_records.clear();
        c.m_nGeneration = generation;
    }
}

const SIndexedRecord* CPgRecordCache::Find(std::int64_t content, std::uint32_t index) const {
    const auto c = m_contents.find(content);
    if (c == m_contents.end()) {
        return nullptr;
    }
    const auto r = c->second.m_records.find(index);
    return r == c->second.m_records.end() ? nullptr : &r->second;
}

void CPgRecordCache::Put(std::int64_t content, std::uint32_t index, SIndexedRecord record) {
    auto& records = m_contents[content].m_records;
    if (records.insert_or_assign(index, std::move(record)).second) {
        ++m_nRecords;
    }
}

} // namespace quillora
