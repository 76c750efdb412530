// Building, reading and intersecting trigram posting lists. A bucket is its trigrams in
// ascending order, each as the difference to the last one, its block count, its byte
// length and the differences between its blocks, all varints.
#include "index/CTrigramLists.h"

#include "index/CByteCodec.h"
#include "index/CRecordBlocks.h"

#include <algorithm>

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

} // namespace

std::map<std::uint32_t, std::string> CTrigramLists::Build(const SCaseRecords& records) {
    // Every (trigram, block) pair once, as one number that sorts by trigram, then block:
    // the trigrams of a block are gathered and made unique first, which leaves far fewer
    // pairs to sort than one per record and trigram.
    const auto& all = records.m_records;
    std::vector<std::uint64_t> pairs;
    std::vector<std::uint32_t> grams;
    for (std::size_t first = 0; first < all.size(); first += CRecordBlocks::kBlockRecords) {
        grams.clear();
        const std::size_t end = std::min(all.size(), first + CRecordBlocks::kBlockRecords);
        for (std::size_t i = first; i < end; ++i) {
            if (all[i].IsFound()) {
                AppendTrigrams(all[i].m_strFolded, grams);
            }
        }
        std::sort(grams.begin(), grams.end());
        grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
        const auto block = static_cast<std::uint64_t>(first / CRecordBlocks::kBlockRecords);
        for (std::uint32_t gram : grams) {
            pairs.push_back(static_cast<std::uint64_t>(gram) << 32 | block);
        }
    }
    std::sort(pairs.begin(), pairs.end());

    std::vector<CByteWriter> writers(kBuckets);
    std::vector<std::uint32_t> lastGram(kBuckets, 0);
    CByteWriter body;
    for (std::size_t k = 0; k < pairs.size();) {
        const auto gram = static_cast<std::uint32_t>(pairs[k] >> 32);
        body.Bytes().clear();
        std::uint32_t previous = 0;
        std::size_t count = 0;
        for (; k < pairs.size() && static_cast<std::uint32_t>(pairs[k] >> 32) == gram; ++k) {
            const auto block = static_cast<std::uint32_t>(pairs[k]);
            body.VarInt(block - previous);
            previous = block;
            ++count;
        }
        const std::uint32_t bucket = BucketOf(gram);
        CByteWriter& out = writers[bucket];
        out.VarInt(gram - lastGram[bucket]);
        lastGram[bucket] = gram;
        out.VarInt(count);
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
        const std::uint64_t count = in.VarInt();
        const std::string_view body = in.Text();
        // Every record takes one byte at least.
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
        std::uint64_t record = 0;
        for (std::uint64_t k = 0; k < count; ++k) {
            record += list.VarInt();
            if (list.Failed() || record > 0xffffffffu) {
                out.resize(start);
                return false;
            }
            out.push_back(static_cast<std::uint32_t>(record));
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
