// Building, reading and intersecting trigram posting lists. A bucket is its trigrams in
// ascending order, each as the difference to the last one, its entry count (times two,
// plus one for a list by unit rather than by block), its byte length and the
// differences between its entries, all varints.
#include "index/CTrigramLists.h"

#include "index/CByteCodec.h"
#include "index/CRecordBlocks.h"

#include <algorithm>
#include <memory>

namespace quillora {

std::vector<std::uint32_t> CTrigramLists::TrigramsOf(std::string_view folded) {
    std::vector<std::uint32_t> grams;
    if (folded.size() < 3) {
        return grams;
    }
    grams.reserve(folded.size() - 2);
    for (std::size_t i = 0; i + 3 <= folded.size(); ++i) {
        grams.push_back(static_cast<std::uint32_t>(static_cast<unsigned char>(folded[i])) << 16 |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(folded[i + 1])) << 8 |
                        static_cast<unsigned char>(folded[i + 2]));
    }
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    return grams;
}

std::uint32_t CTrigramLists::BucketOf(std::uint32_t trigram) {
    return (trigram * 2654435761u) >> 24;
}

namespace {

// Appends the trigrams of `folded` to `grams`, unsorted.
void AppendTrigrams(std::string_view folded, std::vector<std::uint32_t>& grams) {
    for (std::size_t i = 0; i + 3 <= folded.size(); ++i) {
        grams.push_back(static_cast<std::uint32_t>(static_cast<unsigned char>(folded[i])) << 16 |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(folded[i + 1])) << 8 |
                        static_cast<unsigned char>(folded[i + 2]));
    }
}

// Which trigrams a unit holds already: one bit for each of the 2^24, kept per thread
// and cleared again after each unit, so that making a unit's trigrams unique costs a
// bit test each instead of a sort.
class CTrigramSet {
public:
    bool Insert(std::uint32_t gram) {
        std::uint64_t& word = m_bits[gram >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (gram & 63);
        const bool fresh = (word & bit) == 0;
        word |= bit;
        return fresh;
    }
    void Erase(std::uint32_t gram) { m_bits[gram >> 6] &= ~(std::uint64_t{1} << (gram & 63)); }

private:
    std::vector<std::uint64_t> m_bits = std::vector<std::uint64_t>(std::size_t{1} << 18);
};

// Sorts (trigram << 32 | unit) pairs by trigram, keeping the order of equal trigrams
// (their units come ascending): three stable passes over the trigram's bytes.
void SortByTrigram(std::vector<std::uint64_t>& pairs) {
    // The passes go back and forth between the pairs and a spare array that every pass
    // writes whole, so it is never zero-filled.
    const std::size_t n = pairs.size();
    const auto spare = std::make_unique_for_overwrite<std::uint64_t[]>(n);
    std::uint64_t* from = pairs.data();
    std::uint64_t* to = spare.get();
    for (int shift = 32; shift < 56; shift += 8) {
        std::size_t counts[257] = {};
        for (std::size_t i = 0; i < n; ++i) {
            ++counts[((from[i] >> shift) & 0xFF) + 1];
        }
        for (std::size_t b = 1; b < 257; ++b) {
            counts[b] += counts[b - 1];
        }
        for (std::size_t i = 0; i < n; ++i) {
            to[counts[(from[i] >> shift) & 0xFF]++] = from[i];
        }
        std::swap(from, to);
    }
    // Three passes end in the spare array.
    std::copy(from, from + n, pairs.data());
}

} // namespace

std::map<std::uint32_t, std::string> CTrigramLists::Build(const SCaseRecords& records) {
    // Every (trigram, unit) pair once, as one number that sorts by trigram, then unit:
    // the trigrams of a unit are made unique first, which leaves far fewer pairs to sort
    // than one per record and trigram.
    thread_local CTrigramSet seen;
    const auto& all = records.m_records;
    // No unit holds more pairs than its names have trigrams: room for those at once, as
    // growing an array of millions copies and faults it in again and again.
    std::size_t most = 0;
    for (const SIndexedRecord& record : all) {
        most += record.m_strFolded.size() > 2 ? record.m_strFolded.size() - 2 : 0;
    }
    std::vector<std::uint64_t> pairs;
    pairs.reserve(most);
    std::vector<std::uint32_t> grams;
    std::vector<std::uint32_t> fresh;
    for (std::size_t first = 0; first < all.size(); first += kUnitRecords) {
        grams.clear();
        const std::size_t end = std::min(all.size(), first + kUnitRecords);
        for (std::size_t i = first; i < end; ++i) {
            if (all[i].IsFound()) {
                AppendTrigrams(all[i].m_strFolded, grams);
            }
        }
        fresh.clear();
        for (std::uint32_t gram : grams) {
            if (seen.Insert(gram)) {
                fresh.push_back(gram);
            }
        }
        const auto unit = static_cast<std::uint64_t>(first / kUnitRecords);
        for (std::uint32_t gram : fresh) {
            seen.Erase(gram);
            pairs.push_back(static_cast<std::uint64_t>(gram) << 32 | unit);
        }
    }
    SortByTrigram(pairs);

    std::vector<CByteWriter> writers(kBuckets);
    std::vector<std::uint32_t> lastGram(kBuckets, 0);
    std::vector<std::uint32_t> units;
    CByteWriter body;
    for (std::size_t k = 0; k < pairs.size();) {
        const auto gram = static_cast<std::uint32_t>(pairs[k] >> 32);
        units.clear();
        std::size_t blocks = 0;
        for (; k < pairs.size() && static_cast<std::uint32_t>(pairs[k] >> 32) == gram; ++k) {
            const auto unit = static_cast<std::uint32_t>(pairs[k]);
            blocks += units.empty() || units.back() / kUnitsPerBlock != unit / kUnitsPerBlock;
            units.push_back(unit);
        }
        // A trigram seldom found twice in one block is listed by unit: it is what narrows
        // a question down, and costs few more entries. A common one is listed by block.
        const bool fine = units.size() <= 2 * blocks;
        body.Bytes().clear();
        std::uint32_t previous = 0;
        std::size_t count = 0;
        for (std::uint32_t unit : units) {
            const std::uint32_t value = fine ? unit : unit / kUnitsPerBlock;
            if (count > 0 && value == previous) {
                continue;
            }
            body.VarInt(value - previous);
            previous = value;
            ++count;
        }
        const std::uint32_t bucket = BucketOf(gram);
        CByteWriter& out = writers[bucket];
        out.VarInt(gram - lastGram[bucket]);
        lastGram[bucket] = gram;
        out.VarInt(count << 1 | (fine ? 1 : 0));
        out.Text(body.Bytes());
    }
    std::map<std::uint32_t, std::string> buckets;
    for (std::uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
        if (!writers[bucket].Bytes().empty()) {
            buckets.emplace(bucket, std::move(writers[bucket].Bytes()));
        }
    }
    return buckets;
}

bool CTrigramLists::Find(std::string_view bucket, std::uint32_t trigram,
                         std::vector<std::uint32_t>& out) {
    CByteReader in(bucket);
    std::uint64_t gram = 0;
    while (!in.AtEnd()) {
        gram += in.VarInt();
        const std::uint64_t head = in.VarInt();
        const std::uint64_t count = head >> 1;
        const bool fine = (head & 1) != 0;
        const std::string_view body = in.Text();
        // Every entry takes one byte at least.
        if (in.Failed() || count > body.size()) {
            return false;
        }
        if (gram > trigram) {
            return true;
        }
        if (gram < trigram) {
            continue;
        }
        CByteReader list(body);
        const std::size_t start = out.size();
        const std::uint64_t limit = fine ? 0xffffffffu : 0xffffffffu / kUnitsPerBlock;
        std::uint64_t value = 0;
        for (std::uint64_t k = 0; k < count; ++k) {
            const std::uint64_t delta = list.VarInt();
            value += delta;
            if (list.Failed() || value > limit || (k > 0 && delta == 0)) {
                out.resize(start);
                return false;
            }
            if (fine) {
                out.push_back(static_cast<std::uint32_t>(value));
                continue;
            }
            for (std::uint32_t u = 0; u < kUnitsPerBlock; ++u) {
                out.push_back(static_cast<std::uint32_t>(value * kUnitsPerBlock + u));
            }
        }
        return true;
    }
    return true;
}

void CTrigramLists::Intersect(std::vector<std::uint32_t>& into,
                              const std::vector<std::uint32_t>& other) {
    std::size_t kept = 0;
    std::size_t j = 0;
    for (std::uint32_t value : into) {
        while (j < other.size() && other[j] < value) {
            ++j;
        }
        if (j < other.size() && other[j] == value) {
            into[kept++] = value;
        }
    }
    into.resize(kept);
}

} // namespace quillora
