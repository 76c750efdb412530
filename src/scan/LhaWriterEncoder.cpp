// The -lh5- compressor: hash-chain LZSS with one step of lazy matching, then blocks of
// codes written with per-block Huffman tables in the layout LHA decoders read.
#include "scan/LhaWriterEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <queue>
#include <utility>

namespace quillora {

namespace {

constexpr int kWindow = 8192; // farthest match distance of -lh5-
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
constexpr int kLookahead = kMaxMatch + 4; // enough for a match and the lazy step after it
constexpr int kNC = 256 + kMaxMatch - kMinMatch + 1; // literals and match lengths
constexpr int kNT = 19;                              // code-length alphabet
constexpr int kNP = 14;                              // position classes of -lh5-
constexpr int kTBits = 5;
constexpr int kCBits = 9;
constexpr int kPBits = 4;
constexpr int kMaxCodeLength = 16;

constexpr std::size_t kBufferSize = std::size_t{1} << 17;
constexpr int kHashBits = 15;
constexpr std::size_t kPrevSize = 2 * kWindow;
constexpr int kMaxChain = 96;
constexpr int kLazyLimit = 32; // a match this long is taken without looking one byte on

// A block carries at most 65535 codes. Blocks are cut at kBlockCodes while kReserveCodes
// codes are held back, so that the stream always ends with a few bytes in a literal block
// (see Finish).
constexpr std::size_t kBlockCodes = 16384;
constexpr std::size_t kReserveCodes = 8;
constexpr std::uint64_t kTailBytes = 8;
constexpr std::size_t kOutputChunk = 64 * 1024;

int PositionClass(unsigned offset) {
    return offset == 0 ? 0 : std::bit_width(offset);
}

int CodeLength(std::uint16_t symbol) {
    return symbol < 256 ? 1 : symbol - 256 + kMinMatch;
}

// Huffman code lengths no longer than kMaxCodeLength for the symbols with a non-zero
// frequency. Returns how many symbols are used; with fewer than two every length is 0
// and the caller writes the table in its one-symbol form.
int BuildLengths(const std::uint32_t* freq, int n, std::uint8_t* lengths) {
    std::fill(lengths, lengths + n, std::uint8_t{0});
    std::vector<int> symbols;
    for (int i = 0; i < n; ++i) {
        if (freq[i] != 0) {
            symbols.push_back(i);
        }
    }
    const int used = static_cast<int>(symbols.size());
    if (used < 2) {
        return used;
    }

    // Plain Huffman tree: leaves are nodes 0..used-1, inner nodes follow.
    std::vector<std::uint64_t> weight(2 * used - 1);
    std::vector<int> parent(2 * used - 1, -1);
    using Entry = std::pair<std::uint64_t, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
    for (int i = 0; i < used; ++i) {
        weight[i] = freq[symbols[i]];
        heap.push({weight[i], i});
    }
    int next = used;
    while (heap.size() > 1) {
        const Entry a = heap.top();
        heap.pop();
        const Entry b = heap.top();
        heap.pop();
        weight[next] = a.first + b.first;
        parent[a.second] = next;
        parent[b.second] = next;
        heap.push({weight[next], next});
        ++next;
    }
    std::vector<int> depth(2 * used - 1, 0);
    for (int node = next - 2; node >= 0; --node) {
        depth[node] = depth[parent[node]] + 1;
    }

    // Clamp to the longest allowed length, then move leaves until the code is complete
    // again (decoders reject codes that do not fill the whole code space).
    std::array<int, kMaxCodeLength + 1> count{};
    for (int i = 0; i < used; ++i) {
        ++count[std::min(depth[i], kMaxCodeLength)];
    }
    const std::int64_t full = std::int64_t{1} << kMaxCodeLength;
    std::int64_t kraft = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        kraft += static_cast<std::int64_t>(count[len]) << (kMaxCodeLength - len);
    }
    while (kraft > full) {
        int len = kMaxCodeLength - 1;
        while (count[len] == 0) {
            --len;
        }
        --count[len];
        ++count[len + 1];
        kraft -= std::int64_t{1} << (kMaxCodeLength - len - 1);
    }
    while (kraft < full) {
        int len = kMaxCodeLength;
        while (count[len] == 0 || (std::int64_t{1} << (kMaxCodeLength - len)) > full - kraft) {
            --len;
        }
        --count[len];
        ++count[len - 1];
        kraft += std::int64_t{1} << (kMaxCodeLength - len);
    }

    // Shortest lengths to the most frequent symbols.
    std::vector<int> order(used);
    for (int i = 0; i < used; ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return weight[a] > weight[b]; });
    int len = 1;
    for (int leaf : order) {
        while (count[len] == 0) {
            ++len;
        }
        --count[len];
        lengths[symbols[leaf]] = static_cast<std::uint8_t>(len);
    }
    return used;
}

// Canonical codes: shorter codes first, equal lengths in symbol order.
void MakeCodes(const std::uint8_t* lengths, int n, std::uint16_t* codes) {
    std::array<int, kMaxCodeLength + 1> count{};
    for (int i = 0; i < n; ++i) {
        ++count[lengths[i]];
    }
    count[0] = 0;
    std::array<std::uint32_t, kMaxCodeLength + 1> next{};
    std::uint32_t code = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }
    for (int i = 0; i < n; ++i) {
        codes[i] = lengths[i] == 0 ? 0 : static_cast<std::uint16_t>(next[lengths[i]]++);
    }
}

// One item of the run-length form in which the literal/length code lengths are sent.
struct SLengthToken {
    int symbol;
    int extraBits;
    int extra;
};

std::vector<SLengthToken> LengthTokens(const std::uint8_t* lengths, int n) {
    std::vector<SLengthToken> tokens;
    int i = 0;
    while (i < n) {
        if (lengths[i] != 0) {
            tokens.push_back({lengths[i] + 2, 0, 0});
            ++i;
            continue;
        }
        int run = 0;
        while (i < n && lengths[i] == 0) {
            ++run;
            ++i;
        }
        if (run <= 2) {
            for (int k = 0; k < run; ++k) {
                tokens.push_back({0, 0, 0});
            }
        } else if (run <= 18) {
            tokens.push_back({1, 4, run - 3});
        } else if (run == 19) {
            tokens.push_back({0, 0, 0});
            tokens.push_back({1, 4, 15});
        } else {
            tokens.push_back({2, kCBits, run - 20});
        }
    }
    return tokens;
}

int UsedCount(const std::uint8_t* lengths, int n) {
    while (n > 0 && lengths[n - 1] == 0) {
        --n;
    }
    return n;
}

} // namespace

CLhaWriterEncoder::CLhaWriterEncoder(Output output)
    : m_output(std::move(output)), m_buf(kBufferSize), m_head(std::size_t{1} << kHashBits, 0),
      m_prev(kPrevSize, 0) {
    m_codes.reserve(kBlockCodes + kReserveCodes);
    m_out.reserve(kOutputChunk + 1024);
}

bool CLhaWriterEncoder::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0 && !m_failed) {
        if (m_end - m_base == m_buf.size()) {
            Slide();
        }
        const std::size_t room = m_buf.size() - static_cast<std::size_t>(m_end - m_base);
        const std::size_t take = std::min(room, size);
        std::memcpy(m_buf.data() + (m_end - m_base), data, take);
        m_end += take;
        data += take;
        size -= take;
        Process(false);
    }
    return !m_failed;
}

bool CLhaWriterEncoder::Finish() {
    Process(true);
    // A last block of only a few bits trips libarchive's reader, which wants to fetch
    // eight bytes ahead when it starts a block or a table. So the stream ends with at
    // least eight input bytes sent as plain 8-bit literals.
    std::size_t keep = m_codes.size();
    std::uint64_t tail = 0;
    while (keep > 0 && tail < kTailBytes) {
        SCode& last = m_codes[keep - 1];
        const int need = static_cast<int>(kTailBytes - tail);
        if (last.symbol >= 256 && CodeLength(last.symbol) - need >= kMinMatch) {
            // Shorten the last match rather than send all of it as literals.
            last.symbol = static_cast<std::uint16_t>(last.symbol - need);
            tail += need;
            break;
        }
        --keep;
        tail += CodeLength(last.symbol);
    }
    if (keep > 0 && !m_failed) {
        EmitBlock(m_codes.data(), keep);
    }
    if (tail > 0 && !m_failed) {
        EmitLiteralBlock(At(m_end - tail), static_cast<std::size_t>(tail));
    }
    m_codes.clear();
    if (m_bitCount > 0) {
        PutBits(8 - m_bitCount, 0);
    }
    FlushBytes(true);
    return !m_failed;
}

void CLhaWriterEncoder::Slide() {
    const std::uint64_t keepFrom = m_pos - std::min<std::uint64_t>(m_pos - m_base, kWindow);
    const std::size_t shift = static_cast<std::size_t>(keepFrom - m_base);
    std::memmove(m_buf.data(), m_buf.data() + shift, static_cast<std::size_t>(m_end - keepFrom));
    m_base = keepFrom;
}

void CLhaWriterEncoder::Insert(std::uint64_t pos) {
    if (pos + kMinMatch > m_end) {
        return;
    }
    const std::uint8_t* p = At(pos);
    const std::uint32_t key = p[0] | (p[1] << 8) | (p[2] << 16);
    const std::uint32_t hash = (key * 2654435761u) >> (32 - kHashBits);
    m_prev[pos & (kPrevSize - 1)] = m_head[hash];
    m_head[hash] = static_cast<std::uint32_t>(pos + 1);
}

CLhaWriterEncoder::SMatch CLhaWriterEncoder::FindMatch(std::uint64_t pos) const {
    SMatch best;
    const int maxLength = static_cast<int>(std::min<std::uint64_t>(kMaxMatch, m_end - pos));
    if (maxLength < kMinMatch) {
        return best;
    }
    const std::uint8_t* cur = At(pos);
    const std::uint32_t key = cur[0] | (cur[1] << 8) | (cur[2] << 16);
    std::uint32_t link = m_head[(key * 2654435761u) >> (32 - kHashBits)];
    std::uint64_t previous = pos;
    for (int chain = 0; chain < kMaxChain && link != 0; ++chain) {
        const std::uint64_t candidate = link - 1;
        if (candidate >= previous || pos - candidate > kWindow) {
            break;
        }
        previous = candidate;
        const std::uint8_t* old = At(candidate);
        if (old[best.length] == cur[best.length] || best.length == 0) {
            int length = 0;
            while (length < maxLength && old[length] == cur[length]) {
                ++length;
            }
            if (length > best.length) {
                best.length = length;
                best.distance = static_cast<int>(pos - candidate);
                if (length == maxLength) {
                    break;
                }
            }
        }
        link = m_prev[candidate & (kPrevSize - 1)];
    }
    if (best.length < kMinMatch) {
        best = {};
    }
    return best;
}

bool CLhaWriterEncoder::Process(bool atEnd) {
    while (m_pos < m_end && !m_failed) {
        const std::uint64_t avail = m_end - m_pos;
        if (!atEnd && avail < static_cast<std::uint64_t>(kLookahead)) {
            break;
        }
        SMatch match = m_nextValid ? m_next : FindMatch(m_pos);
        m_nextValid = false;
        if (match.length < kMinMatch) {
            Insert(m_pos);
            AddCode({*At(m_pos), 0});
            ++m_pos;
            continue;
        }
        Insert(m_pos);
        if (match.length < kLazyLimit) {
            const SMatch later = FindMatch(m_pos + 1);
            if (later.length > match.length) {
                AddCode({*At(m_pos), 0});
                ++m_pos;
                m_next = later;
                m_nextValid = true;
                continue;
            }
        }
        AddCode({static_cast<std::uint16_t>(256 + match.length - kMinMatch),
                 static_cast<std::uint16_t>(match.distance - 1)});
        for (int i = 1; i < match.length; ++i) {
            Insert(m_pos + i);
        }
        m_pos += match.length;
    }
    return !m_failed;
}

bool CLhaWriterEncoder::AddCode(SCode code) {
    m_codes.push_back(code);
    if (m_codes.size() < kBlockCodes + kReserveCodes) {
        return true;
    }
    if (!EmitBlock(m_codes.data(), kBlockCodes)) {
        return false;
    }
    m_codes.erase(m_codes.begin(), m_codes.begin() + kBlockCodes);
    return true;
}

bool CLhaWriterEncoder::EmitBlock(const SCode* codes, std::size_t count) {
    std::array<std::uint32_t, kNC> cFreq{};
    std::array<std::uint32_t, kNP> pFreq{};
    for (std::size_t i = 0; i < count; ++i) {
        ++cFreq[codes[i].symbol];
        if (codes[i].symbol >= 256) {
            ++pFreq[PositionClass(codes[i].offset)];
        }
    }
    std::array<std::uint8_t, kNC> cLen{};
    std::array<std::uint16_t, kNC> cCode{};
    const int cUsed = BuildLengths(cFreq.data(), kNC, cLen.data());
    MakeCodes(cLen.data(), kNC, cCode.data());

    PutBits(16, static_cast<std::uint32_t>(count));
    if (cUsed < 2) {
        // One symbol only: both the length table and the code table in one-symbol form.
        PutBits(kTBits, 0);
        PutBits(kTBits, 0);
        PutBits(kCBits, 0);
        PutBits(kCBits, codes[0].symbol);
    } else {
        const int n = UsedCount(cLen.data(), kNC);
        const std::vector<SLengthToken> tokens = LengthTokens(cLen.data(), n);
        std::array<std::uint32_t, kNT> tFreq{};
        for (const SLengthToken& t : tokens) {
            ++tFreq[t.symbol];
        }
        std::array<std::uint8_t, kNT> tLen{};
        std::array<std::uint16_t, kNT> tCode{};
        if (BuildLengths(tFreq.data(), kNT, tLen.data()) < 2) {
            PutBits(kTBits, 0);
            PutBits(kTBits, tokens[0].symbol);
        } else {
            MakeCodes(tLen.data(), kNT, tCode.data());
            WriteTableLengths(tLen.data(), kNT, kTBits, 3);
        }
        PutBits(kCBits, n);
        for (const SLengthToken& t : tokens) {
            PutBits(tLen[t.symbol], tCode[t.symbol]);
            PutBits(t.extraBits, t.extra);
        }
    }

    std::array<std::uint8_t, kNP> pLen{};
    std::array<std::uint16_t, kNP> pCode{};
    if (BuildLengths(pFreq.data(), kNP, pLen.data()) < 2) {
        const auto it = std::find_if(pFreq.begin(), pFreq.end(), [](auto f) { return f != 0; });
        PutBits(kPBits, 0);
        PutBits(kPBits, it == pFreq.end() ? 0 : static_cast<std::uint32_t>(it - pFreq.begin()));
    } else {
        MakeCodes(pLen.data(), kNP, pCode.data());
        WriteTableLengths(pLen.data(), kNP, kPBits, -1);
    }

    for (std::size_t i = 0; i < count; ++i) {
        const SCode& c = codes[i];
        PutBits(cLen[c.symbol], cCode[c.symbol]);
        if (c.symbol < 256) {
            continue;
        }
        const int pc = PositionClass(c.offset);
        PutBits(pLen[pc], pCode[pc]);
        if (pc > 1) {
            PutBits(pc - 1, c.offset - (1u << (pc - 1)));
        }
    }
    return FlushBytes(false);
}

bool CLhaWriterEncoder::EmitLiteralBlock(const std::uint8_t* bytes, std::size_t count) {
    // All 256 literals at length 8: the length table is one symbol (length 8 is sent as
    // 10), no length needs a bit, and each literal's code is its own byte value.
    PutBits(16, static_cast<std::uint32_t>(count));
    PutBits(kTBits, 0);
    PutBits(kTBits, 8 + 2);
    PutBits(kCBits, 256);
    PutBits(kPBits, 0);
    PutBits(kPBits, 0);
    for (std::size_t i = 0; i < count; ++i) {
        PutBits(8, bytes[i]);
    }
    return FlushBytes(false);
}

void CLhaWriterEncoder::WriteTableLengths(const std::uint8_t* lengths, int size, int countBits,
                                          int zeroRunAfter) {
    const int n = UsedCount(lengths, size);
    PutBits(countBits, n);
    int i = 0;
    while (i < n) {
        const int len = lengths[i++];
        if (len <= 6) {
            PutBits(3, len);
        } else {
            // 7 and up: "111", then one 1 bit per step above 7, then a 0 bit.
            PutBits(3, 7);
            PutBits(len - 7, (1u << (len - 7)) - 1);
            PutBits(1, 0);
        }
        if (i == zeroRunAfter) {
            int zeros = 0;
            while (i < std::min(n, 6) && lengths[i] == 0) {
                ++i;
                ++zeros;
            }
            PutBits(2, zeros);
        }
    }
}

void CLhaWriterEncoder::PutBits(int count, std::uint32_t value) {
    if (count == 0) {
        return;
    }
    m_bitAcc = (m_bitAcc << count) | (value & ((1u << count) - 1));
    m_bitCount += count;
    while (m_bitCount >= 8) {
        m_bitCount -= 8;
        m_out.push_back(static_cast<std::uint8_t>(m_bitAcc >> m_bitCount));
    }
}

bool CLhaWriterEncoder::FlushBytes(bool all) {
    if (m_failed) {
        m_out.clear();
        return false;
    }
    if (m_out.empty() || (!all && m_out.size() < kOutputChunk)) {
        return true;
    }
    if (!m_output(m_out.data(), m_out.size())) {
        m_failed = true;
    }
    m_out.clear();
    return !m_failed;
}

} // namespace quillora
