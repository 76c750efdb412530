// CByteCodec: the varints and length-prefixed texts the index's stored blocks are made of,
// written into a byte string and read back with every length checked against the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora {

class CByteWriter {
public:
    void Byte(std::uint8_t value) { m_bytes += static_cast<char>(value); }
    void VarInt(std::uint64_t value);
    // Zig-zag coded, for differences that may be negative.
    void SignedVarInt(std::int64_t value);
    void Text(std::string_view text);
    std::string& Bytes() { return m_bytes; }

private:
    std::string m_bytes;
};

// Reads what CByteWriter wrote. Every read past the end, or a varint longer than ten
// bytes, sets Failed() and gives 0 or an empty text; the reader never reads outside
// its bytes.
class CByteReader {
public:
    explicit CByteReader(std::string_view bytes) : m_bytes(bytes) {}

    std::uint8_t Byte();
    std::uint64_t VarInt();
    std::int64_t SignedVarInt();
    std::string_view Text();
    bool AtEnd() const { return m_nPos >= m_bytes.size(); }
    bool Failed() const { return m_bFailed; }
    std::size_t Position() const { return m_nPos; }

private:
    std::string_view m_bytes;
    std::size_t m_nPos = 0;
    bool m_bFailed = false;
};

// zstd-compressed bytes with their length in front; Unpack gives false for bytes that
// are not such a frame or that would unpack to more than `limit` bytes.
std::string Pack(std::string_view raw);
bool Unpack(std::string_view packed, std::string& raw, std::size_t limit);

} // namespace quillora
