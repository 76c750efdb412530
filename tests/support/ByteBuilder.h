// Builds case-file bytes by hand for tests: little-endian integers and counted texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillora::test {

class ByteBuilder {
public:
    ByteBuilder& U8(std::uint8_t v) {
        m_bytes += static_cast<char>(v);
        return *this;
    }
    ByteBuilder& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    ByteBuilder& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    ByteBuilder& U64(std::uint64_t v) { return U32(v & 0xFFFFFFFF).U32(v >> 32); }
    ByteBuilder& F64(double v) {
        std::uint64_t bits;
        static_assert(sizeof bits == sizeof v);
        __builtin_memcpy(&bits, &v, sizeof v);
        return U64(bits);
    }
    ByteBuilder& Raw(std::string_view bytes) {
        m_bytes += bytes;
        return *this;
    }
    // A counted text of raw (CP932) bytes.
    ByteBuilder& Text(std::string_view bytes) {
        if (bytes.size() < 0xFF) {
            U8(static_cast<std::uint8_t>(bytes.size()));
        } else {
            U8(0xFF).U16(static_cast<std::uint16_t>(bytes.size()));
        }
        return Raw(bytes);
    }
    // The class record of a case file with the given schema.
    ByteBuilder& ClassRecord(std::uint16_t schema, std::string_view name = "CCDCase") {
        U16(0xFFFF).U16(schema).U16(static_cast<std::uint16_t>(name.size()));
        return Raw(name);
    }
    // One record body as schema 2 stores it: no times, the comment "note", no link,
    // then the count of the records below it.
    ByteBuilder& Schema2Body(std::uint32_t size, std::uint32_t flags, std::string_view name,
                             std::uint32_t children) {
        U16(0).U16(0).U32(size).U32(flags).U64(0).U64(0).U64(0).Text(name).Text("note");
        return Text("").U32(0x101).U32(0).U32(children);
    }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

} // namespace quillora::test
