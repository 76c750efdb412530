// The -lh5- compressor behind CLhaWriter: LZSS over an 8 KiB window, coded in blocks
// with static Huffman tables, fed in pieces so that large members never sit in memory.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quillora {

class CLhaWriterEncoder {
public:
    // Receives the compressed bytes in order; returning false stops the encoder (the
    // writer uses this both for write errors and for "no smaller than the original").
    using Output = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    explicit CLhaWriterEncoder(Output output);

    // Feeds the next input bytes. False once the output callback has refused bytes.
    bool Write(const std::uint8_t* data, std::size_t size);
    // Codes what is left and pads the last byte with zero bits. Call once, after the last
    // Write. False when the output callback refused bytes.
    bool Finish();

private:
    struct SCode {
        std::uint16_t symbol; // 0..255 a literal, 256.. a match of length symbol - 253
        std::uint16_t offset; // match distance - 1
    };
    struct SMatch {
        int length = 0;
        int distance = 0;
    };

    void Slide();
    bool Process(bool atEnd);
    void Insert(std::uint64_t pos);
    SMatch FindMatch(std::uint64_t pos) const;
    bool AddCode(SCode code);
    bool EmitBlock(const SCode* codes, std::size_t count);
    bool EmitLiteralBlock(const std::uint8_t* bytes, std::size_t count);
    void WriteTableLengths(const std::uint8_t* lengths, int size, int countBits, int zeroRunAfter);
    void PutBits(int count, std::uint32_t value);
    bool FlushBytes(bool all);
    const std::uint8_t* At(std::uint64_t pos) const { return m_buf.data() + (pos - m_base); }

    Output m_output;
    bool m_failed = false;

    std::vector<std::uint8_t> m_buf; // input bytes m_base .. m_end
    std::uint64_t m_base = 0;
    std::uint64_t m_end = 0;
    std::uint64_t m_pos = 0;           // next byte not yet coded
    std::vector<std::uint32_t> m_head; // hash -> last position + 1 (0: none)
    std::vector<std::uint32_t> m_prev; // position & mask -> previous position + 1
    bool m_nextValid = false;          // a match already searched at m_pos (lazy step)
    SMatch m_next;

    std::vector<SCode> m_codes; // codes of blocks not yet written

    std::uint64_t m_bitAcc = 0;
    int m_bitCount = 0;
    std::vector<std::uint8_t> m_out;
};

} // namespace quillora
