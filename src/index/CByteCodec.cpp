// Varints, texts and zlib blocks of the index's stored blocks.
#include "index/CByteCodec.h"

#include <zlib.h>

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

std::string Deflate(std::string_view raw) {
    CByteWriter out;
    out.VarInt(raw.size());
    std::string& bytes = out.Bytes();
    const std::size_t head = bytes.size();
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    bytes.resize(head + packedSize);
    compress2(reinterpret_cast<Bytef*>(bytes.data() + head), &packedSize,
              reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
    bytes.resize(head + packedSize);
    return std::move(bytes);
}

bool Inflate(std::string_view packed, std::string& raw, std::size_t limit) {
    CByteReader in(packed);
    const std::uint64_t size = in.VarInt();
    if (in.Failed() || size > limit) {
        return false;
    }
    raw.resize(static_cast<std::size_t>(size));
    uLongf rawSize = static_cast<uLongf>(size);
    const std::string_view body = packed.substr(in.Position());
    const int rc =
        uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawSize,
                   reinterpret_cast<const Bytef*>(body.data()), static_cast<uLong>(body.size()));
    return rc == Z_OK && rawSize == size;
}

} // namespace quillora
