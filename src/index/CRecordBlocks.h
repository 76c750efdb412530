// CRecordBlocks: how the index stores one case's records: its media in one block, the
// records in compressed blocks of kBlockRecords in tree order, each readable alone, so
// that a query decodes only the blocks that hold its candidates.
#pragma once

#include "index/SCaseRecords.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CRecordBlocks {
public:
    static constexpr std::size_t kBlockRecords = 4096;
    // Nothing a block holds may inflate to more than this (a damaged length must not
    // make the reader allocate without bound).
    static constexpr std::size_t kMaxBlockBytes = 64u << 20;

    static std::string EncodeMedia(const std::vector<SIndexedMedium>& media);
    // False for bytes that are not a media block.
    static bool DecodeMedia(std::string_view bytes, std::vector<SIndexedMedium>& media);

    // The records of `records` from `first` on (at most kBlockRecords), as one block.
    static std::string EncodeBlock(const SCaseRecords& records, std::size_t first);
    // Decodes a block into records[first ...]; `records` must already hold room for the
    // case's `total` records. False (records left as they were or partly filled) for a
    // block that is damaged, names a parent after its record, a medium outside
    // `mediaCount`, or records outside the case.
    static bool DecodeBlock(std::string_view bytes, std::size_t mediaCount,
                            std::vector<SIndexedRecord>& records, std::size_t& first,
                            std::size_t& count);
};

} // namespace quillora
