// CPgRecordCache: the records above found records that one connection to the index server
// read, by case contents and generation, so that the next pages need not read them again.
#pragma once

#include "index/SCaseRecords.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>

namespace quillora {

class CPgRecordCache {
public:
    // At most this many records are kept; past it the cache starts again empty.
    static constexpr std::size_t kMostRecords = 200000;

    // Makes `generation` the contents' current one: the records kept of an earlier
    // generation are forgotten (the contents were replaced since). Call it for every
    // contents of a question before any Find or Put of it: past kMostRecords it starts
    // the cache again, forgetting what an earlier call of the same question kept.
    void Use(std::int64_t content, std::int64_t generation);
    // The record `index` of the contents, if kept; valid until the next Use or Put.
    const SIndexedRecord* Find(std::int64_t content, std::uint32_t index) const;
    // Keeps a record of the contents' current generation (Use first).
    void Put(std::int64_t content, std::uint32_t index, SIndexedRecord record);

    std::size_t Size() const { return m_nRecords; }

private:
    struct SContents {
        std::int64_t m_nGeneration = 0;
        std::unordered_map<std::uint32_t, SIndexedRecord> m_records;
    };
    std::map<std::int64_t, SContents> m_contents;
    std::size_t m_nRecords = 0;
};

} // namespace quillora
