// CTrigramLists: the posting lists of one case: for every three bytes that occur in a
// folded name, the units of kUnitRecords records holding a found record whose name
// holds them. Listing units, not records, keeps the lists short; the candidates of a
// unit are checked against its names. The lists are kept in kBuckets buckets by a hash
// of the trigram, so that a query reads one small bucket per trigram and case instead
// of a case's whole index.
#pragma once

#include "index/CRecordBlocks.h"
#include "index/SCaseRecords.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CTrigramLists {
public:
    static constexpr std::uint32_t kBuckets = 256;
    // The lists name units of this many records, in tree order; a trigram found in most
    // blocks (CRecordBlocks) of a case is listed by block, which stands for every unit
    // of it.
    static constexpr std::uint32_t kUnitRecords = 32;
    static constexpr std::uint32_t kUnitsPerBlock =
        static_cast<std::uint32_t>(CRecordBlocks::kBlockRecords) / kUnitRecords;

    // The trigrams of `folded` (each window of three bytes), sorted and without repeats.
    static std::vector<std::uint32_t> TrigramsOf(std::string_view folded);
    static std::uint32_t BucketOf(std::uint32_t trigram);

    // The buckets of the case's found records, keyed by bucket number; empty buckets
    // are left out.
    static std::map<std::uint32_t, std::string> Build(const SCaseRecords& records);

    // The units listed for `trigram` in a bucket's bytes, ascending, appended to
    // `out`. False for bytes that are not a bucket (nothing is appended then); a
    // trigram the bucket does not hold gives true and nothing.
    static bool Find(std::string_view bucket, std::uint32_t trigram,
                     std::vector<std::uint32_t>& out);

    // Keeps in `into` only what `other` holds too (both ascending).
    static void Intersect(std::vector<std::uint32_t>& into,
                          const std::vector<std::uint32_t>& other);
};

} // namespace quillora
