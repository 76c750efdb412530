// CRecordBlocks: how the index stores one case's records: its media in one block, the
// records in blocks of kBlockRecords in tree order, each readable alone, so that a query
// decodes only the blocks its trigram lists name. A block keeps what matching needs
// (class, medium, name) apart from the rest (parent, size, time), packed on its own, so
// that checking a block unpacks only its names; the rest is read for the hits.
#pragma once

#include "index/SCaseRecords.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillora {

// The names part of one block, unpacked. The views point into the object itself and
// stay valid until it is decoded into again.
struct SBlockNames {
    struct SEntry {
        std::string_view m_name;   // as the catalogue path shows it
        std::string_view m_folded; // for matching
        std::int32_t m_nMedium = -1;
        RecordClass m_class = RecordClass::File;
        bool m_bFolder = false;
        bool IsFound() const {
            return m_class == RecordClass::File || m_class == RecordClass::ArcFile;
        }
    };

    std::size_t m_nFirst = 0; // the block's first record in the case
    std::vector<SEntry> m_entries;
    std::string m_raw;     // the unpacked names part
    std::string m_lowered; // m_raw with its ASCII letters lowered
};

class CRecordBlocks {
public:
    static constexpr std::size_t kBlockRecords = 256;
    // Nothing a block holds may unpack to more than this (a damaged length must not
    // make the reader allocate without bound).
    static constexpr std::size_t kMaxBlockBytes = 64u << 20;

    static std::string EncodeMedia(const std::vector<SIndexedMedium>& media);
    // False for bytes that are not a media block.
    static bool DecodeMedia(std::string_view bytes, std::vector<SIndexedMedium>& media);

    // The records of `records` from `first` on (at most kBlockRecords), as one block.
    static std::string EncodeBlock(const SCaseRecords& records, std::size_t first);

    // The names part of a block of a case of `total` records with `mediaCount` media.
    // False for a block that is damaged, names a medium outside `mediaCount`, or
    // records outside the case.
    static bool DecodeNames(std::string_view bytes, std::size_t mediaCount, std::size_t total,
                            SBlockNames& names);
    // The whole records of a block whose names part is `names`, into `out`. False for a
    // rest that is damaged, does not fit the names, or names a parent after its record.
    static bool DecodeRest(std::string_view bytes, const SBlockNames& names,
                           std::vector<SIndexedRecord>& out);
    // Both at once: the block's records from `first` on into `out`.
    static bool DecodeBlock(std::string_view bytes, std::size_t mediaCount, std::size_t total,
                            std::vector<SIndexedRecord>& out, std::size_t& first);
};

} // namespace quillora
