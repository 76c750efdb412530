// Building, reading and intersecting trigram posting lists. A bucket is its trigrams in
// ascending order, each as the difference to the last one, its block count, its byte
// length and the differences between its blocks, all varints.
#include "index/CTrigramLists.h"

#include "index/CByteCodec.h"
#include "index/CRecordBlocks.h"

#include <algorithm>
#include <unordered_map>

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

std::map<std::uint32_t, std::string> CTrigramLists::Build(const SCaseRecords& records) {
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> lists;
    const auto& all = records.m_records;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!all[i].IsFound()) {
            continue;
        }
        const auto block = static_cast<std::uint32_t>(i / CRecordBlocks::kBlockRecords);
        for (std::uint32_t gram : TrigramsOf(all[i].m_strFolded)) {
            std::vector<std::uint32_t>& list = lists[gram];
            if (list.empty() || list.back() != block) {
                list.push_back(block);
            }
        }
    }
    std::vector<std::uint32_t> grams;
    grams.reserve(lists.size());
    for (const auto& [gram, list] : lists) {
        grams.push_back(gram);
    }
    std::sort(grams.begin(), grams.end());
    std::map<std::uint32_t, CByteWriter> writers;
    std::map<std::uint32_t, std::uint32_t> lastGram;
    for (std::uint32_t gram : grams) {
        const std::uint32_t bucket = BucketOf(gram);
        CByteWriter& out = writers[bucket];
        out.VarInt(gram - lastGram[bucket]);
        lastGram[bucket] = gram;
        const std::vector<std::uint32_t>& list = lists[gram];
        CByteWriter body;
        std::uint32_t previous = 0;
        for (std::uint32_t record : list) {
            body.VarInt(record - previous);
            previous = record;
        }
        out.VarInt(list.size());
        out.Text(body.Bytes());
    }
    std::map<std::uint32_t, std::string> buckets;
    for (auto& [bucket, writer] : writers) {
        buckets.emplace(bucket, std::move(writer.Bytes()));
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
