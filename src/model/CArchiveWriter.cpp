// Buffered primitive writer of the case file.
#include "model/CArchiveWriter.h"

#include "core/Text.h"

#include <cstring>

namespace quillora {

namespace {
constexpr std::size_t kBufferSize = 4096;

bool IsAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}
} // namespace

CArchiveWriter::CArchiveWriter(ICaseStream& stream) : m_stream(stream), m_buffer(kBufferSize) {}

void CArchiveWriter::WriteBytes(const void* data, std::size_t count) {
    if (count == 0) {
        return;
    }
    const char* in = static_cast<const char*>(data);
    if (count <= kBufferSize - m_used) {
        std::memcpy(m_buffer.data() + m_used, in, count);
        m_used += count;
        return;
    }
    Flush();
    if (count >= kBufferSize) {
        m_stream.Write(in, count);
        return;
    }
    std::memcpy(m_buffer.data(), in, count);
    m_used = count;
}

void CArchiveWriter::Flush() {
    if (m_used > 0) {
        m_stream.Write(m_buffer.data(), m_used);
        m_used = 0;
    }
}

void CArchiveWriter::WriteU8(std::uint8_t v) {
    if (m_used < kBufferSize) {
        m_buffer[m_used++] = static_cast<char>(v);
        return;
    }
    WriteBytes(&v, 1);
}

void CArchiveWriter::WriteU16(std::uint16_t v) {
    std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    WriteBytes(b, 2);
}

void CArchiveWriter::WriteU32(std::uint32_t v) {
    std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                         static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    WriteBytes(b, 4);
}

void CArchiveWriter::WriteU64(std::uint64_t v) {
    WriteU32(static_cast<std::uint32_t>(v));
    WriteU32(static_cast<std::uint32_t>(v >> 32));
}

void CArchiveWriter::WriteLength(std::uint32_t length) {
    if (length < 0xFF) {
        WriteU8(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<std::uint16_t>(length));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(length);
    }
}

void CArchiveWriter::WriteText(std::string_view utf8) {
    if (IsAscii(utf8)) {
        WriteLength(static_cast<std::uint32_t>(utf8.size()));
        WriteBytes(utf8.data(), utf8.size());
        return;
    }
    if (text::Utf8ToCp932(utf8, m_scratch)) {
        WriteLength(static_cast<std::uint32_t>(m_scratch.size()));
        WriteBytes(m_scratch.data(), m_scratch.size());
        return;
    }
    // The wide form: 0xFF, the u16 0xFFFE, then the length in UTF-16 units.
    std::u16string units = text::Utf8ToUtf16(utf8);
    WriteU8(0xFF);
    WriteU16(0xFFFE);
    WriteLength(static_cast<std::uint32_t>(units.size()));
    for (char16_t u : units) {
        WriteU16(static_cast<std::uint16_t>(u));
    }
}

} // namespace quillora
