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

namespace {

// One inflate state per thread, reset for every block: setting one up costs more than
// inflating a small block.
class CInflater {
public:
    CInflater() { m_bReady = inflateInit(&m_stream) == Z_OK; }
    ~CInflater() {
        if (m_bReady) {
            inflateEnd(&m_stream);
        }
    }
    CInflater(const CInflater&) = delete;
    CInflater& operator=(const CInflater&) = delete;

    bool Run(std::string_view in, std::string& out) {
        if (!m_bReady || inflateReset(&m_stream) != Z_OK) {
            return false;
        }
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        m_stream.avail_in = static_cast<uInt>(in.size());
        m_stream.next_out = reinterpret_cast<Bytef*>(out.data());
        m_stream.avail_out = static_cast<uInt>(out.size());
        const int rc = inflate(&m_stream, Z_FINISH);
        return rc == Z_STREAM_END && m_stream.avail_out == 0 && m_stream.avail_in == 0;
    }

private:
    z_stream m_stream{};
    bool m_bReady = false;
};

} // namespace

bool Inflate(std::string_view packed, std::string& raw, std::size_t limit) {
    CByteReader in(packed);
    const std::uint64_t size = in.VarInt();
    if (in.Failed() || size > limit) {
        return false;
    }
    raw.resize(static_cast<std::size_t>(size));
    thread_local CInflater inflater;
    return inflater.Run(packed.substr(in.Position()), raw);
}

} // namespace quillora
