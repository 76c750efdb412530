// Varints, texts and zstd frames of the index's stored blocks.
#include "index/CByteCodec.h"

#include <zstd.h>

namespace quillora {

void CByteWriter::VarInt(std::uint64_t value) {
    while (value >= 0x80) {
        m_bytes += static_cast<char>((value & 0x7f) | 0x80);
        value >>= 7;
    }
    m_bytes += static_cast<char>(value);
}

void CByteWriter::SignedVarInt(std::int64_t value) {
    VarInt((static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63));
}

void CByteWriter::Text(std::string_view text) {
    VarInt(text.size());
    m_bytes.append(text);
}

std::uint8_t CByteReader::Byte() {
    if (m_nPos >= m_bytes.size()) {
        m_bFailed = true;
        return 0;
    }
    return static_cast<std::uint8_t>(m_bytes[m_nPos++]);
}

std::uint64_t CByteReader::VarInt() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (m_nPos >= m_bytes.size()) {
            m_bFailed = true;
            return 0;
        }
        const auto b = static_cast<std::uint8_t>(m_bytes[m_nPos++]);
        value |= static_cast<std::uint64_t>(b & 0x7f) << shift;
        if ((b & 0x80) == 0) {
            return value;
        }
    }
    m_bFailed = true;
    return 0;
}

std::int64_t CByteReader::SignedVarInt() {
    const std::uint64_t v = VarInt();
    return static_cast<std::int64_t>((v >> 1) ^ (~(v & 1) + 1));
}

std::string_view CByteReader::Text() {
    const std::uint64_t length = VarInt();
    if (m_bFailed || length > m_bytes.size() - m_nPos) {
        m_bFailed = true;
        return {};
    }
    std::string_view text = m_bytes.substr(m_nPos, static_cast<std::size_t>(length));
    m_nPos += static_cast<std::size_t>(length);
    return text;
}

namespace {

// One compression and one decompression state per thread: setting one up costs more
// than packing a small block.
struct SZstdContexts {
    SZstdContexts() : compress(ZSTD_createCCtx()), decompress(ZSTD_createDCtx()) {}
    ~SZstdContexts() {
        ZSTD_freeCCtx(compress);
        ZSTD_freeDCtx(decompress);
    }
    SZstdContexts(const SZstdContexts&) = delete;
    SZstdContexts& operator=(const SZstdContexts&) = delete;

    ZSTD_CCtx* compress;
    ZSTD_DCtx* decompress;
};

SZstdContexts& Contexts() {
    thread_local SZstdContexts contexts;
    return contexts;
}

// Level 3 (zstd's default): a tenth smaller than the fastest level on names and hardly
// slower on blocks this small; the levels above cost several times the building time.
constexpr int kLevel = 3;

} // namespace

std::string Pack(std::string_view raw) {
    CByteWriter out;
    out.VarInt(raw.size());
    std::string& bytes = out.Bytes();
    const std::size_t head = bytes.size();
    bytes.resize(head + ZSTD_compressBound(raw.size()));
    const std::size_t packed =
        ZSTD_compressCCtx(Contexts().compress, bytes.data() + head, bytes.size() - head, raw.data(),
                          raw.size(), kLevel);
    if (ZSTD_isError(packed) || Contexts().compress == nullptr) {
        bytes.clear(); // cannot happen with a bound-sized buffer; an empty block reads as damaged
        return std::move(bytes);
    }
    bytes.resize(head + packed);
    return std::move(bytes);
}

bool Unpack(std::string_view packed, std::string& raw, std::size_t limit) {
    CByteReader in(packed);
    const std::uint64_t size = in.VarInt();
    if (in.Failed() || size > limit || Contexts().decompress == nullptr) {
        return false;
    }
    raw.resize(static_cast<std::size_t>(size));
    const std::string_view frame = packed.substr(in.Position());
    const std::size_t got = ZSTD_decompressDCtx(Contexts().decompress, raw.data(), raw.size(),
                                                frame.data(), frame.size());
    return !ZSTD_isError(got) && got == raw.size();
}

} // namespace quillora
