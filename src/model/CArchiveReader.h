// Reads the primitive encodings of a case file (little-endian integers, counted
// texts) through a 256 KiB buffer. Every read that runs out of data throws
// CArchiveException(endOfFile) with the offset; no length is trusted before the
// bytes are actually there.
#pragma once

#include "core/LittleEndian.h"
#include "model/CaseStream.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CArchiveReader {
public:
    explicit CArchiveReader(ICaseStream& stream);

    // The integer readers take the bytes straight from the buffer when they are there;
    // they run several times per record, so they live here to be inlined.
    std::uint8_t ReadU8() {
        if (m_pos < m_end) {
            return static_cast<std::uint8_t>(m_buffer[m_pos++]);
        }
        std::uint8_t v;
        Fill(&v, 1);
        return v;
    }
    std::uint16_t ReadU16() { return static_cast<std::uint16_t>(ReadLittle<2>()); }
    std::uint32_t ReadU32() { return static_cast<std::uint32_t>(ReadLittle<4>()); }
    std::uint64_t ReadU64() { return ReadLittle<8>(); }
    double ReadF64();
    // A counted text in CP932 or in the wide (UTF-16) form, returned as UTF-8.
    std::string ReadText();
    // The same into `out`, which keeps its buffer: for readers that fill one text again
    // and again.
    void ReadTextInto(std::string& out) {
        // Most of a record's texts (comment, category, link) are empty: one zero byte.
        if (m_pos < m_end && m_buffer[m_pos] == 0) {
            ++m_pos;
            out.clear();
            return;
        }
        ReadWholeTextInto(out);
    }
    // A counted text as stored: its CP932 bytes into `stored` (true), or, for a text in
    // the wide form, its UTF-8 into `decoded` (false).
    bool ReadStoredTextInto(std::string& stored, std::string& decoded);
    // Exactly `count` bytes; grows the result as data arrives, so a bogus count
    // ends in endOfFile instead of a huge allocation.
    std::vector<std::uint8_t> ReadBytes(std::uint64_t count);
    // Reads up to `count` bytes; returns how many were there.
    std::size_t ReadSome(void* buffer, std::size_t count);

    // The bytes read into the buffer and not yet consumed, for a reader that parses a
    // record in place; Skip(n) then consumes n of them (at most as many as there are).
    std::string_view Buffered() const { return {m_buffer.get() + m_pos, m_end - m_pos}; }
    void Skip(std::size_t n) { m_pos += n; }

    // Bytes consumed so far.
    std::uint64_t Offset() const { return m_nBufferStart + m_pos; }
    const std::string& FilePath() const { return m_stream.GetFilePath(); }

    [[noreturn]] void ThrowEof() const;

private:
    // The width a compile-time constant, so that the bytes become one load.
    template <std::size_t N> std::uint64_t ReadLittle() {
        unsigned char spare[N];
        const unsigned char* bytes = spare;
        if (m_end - m_pos >= N) {
            bytes = reinterpret_cast<const unsigned char*>(m_buffer.get() + m_pos);
            m_pos += N;
        } else {
            Fill(spare, N);
        }
        if constexpr (N == 2) {
            return Le16(bytes);
        } else if constexpr (N == 4) {
            return Le32(bytes);
        } else {
            static_assert(N == 8);
            return Le64(bytes);
        }
    }
    void Fill(void* out, std::size_t count);
    bool Refill();
    // ReadTextInto for a text that is not a single zero byte in the buffer.
    void ReadWholeTextInto(std::string& out);
    std::uint32_t ReadTextLength(bool* wide);
    // The `length` UTF-16 units of a wide text, as UTF-8.
    std::string WideText(std::uint32_t length);
    // The rest of ReadTextLength: a length of 255 and more, or one the buffer splits.
    std::uint32_t ReadLongTextLength(bool* wide);

    static constexpr std::size_t kBufferSize = std::size_t{1} << 18;

    ICaseStream& m_stream;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    // Where m_buffer[0] lies in the stream: the offset is counted from it, not kept up to
    // date with every read (a store more for each of a record's fields).
    std::uint64_t m_nBufferStart = 0;
};

} // namespace quillora
