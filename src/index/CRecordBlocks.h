// CRecordBlocks: how the index stores one case's records: its media in one block, the
// records in small blocks of kBlockRecords in tree order, each readable alone, so that
// a query decodes only the blocks its trigram lists name.
#pragma once

#include "index/SCaseRecords.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CRecordBlocks {
public:
    static constexpr std::size_t kBlockRecords = 32;
    // Nothing a block holds may inflate to more than this (a damaged length must not
    // make the reader allocate without bound).
    static constexpr std::size_t kMaxBlockBytes = 64u << 20;

    static std::string EncodeMedia(const std::vector<SIndexedMedium>& media);
    // False for bytes that are not a media block.
    static bool DecodeMedia(std::string_view bytes, std::vector<SIndexedMedium>& media);

    // The records of `records` from `first` on (at most kBlockRecords), as one block.
    static std::string EncodeBlock(const SCaseRecords& records, std::size_t first);
    // Decodes a block of a case of `total` records into `out` (its records from `first`
    // on). False for a block that is damaged, names a parent after its record, a medium
    // outside `mediaCount`, or records outside the case.
    static bool DecodeBlock(std::string_view bytes, std::size_t mediaCount, std::size_t total,
                            std::vector<SIndexedRecord>& out, std::size_t& first);
};

} // namespace quillora
