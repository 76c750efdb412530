// Buffered primitive reader of the case file.
#include "model/CArchiveReader.h"

#include "core/Text.h"
#include "model/ArchiveException.h"

#include <algorithm>
#include <cstring>

namespace quillora {

namespace {
constexpr std::size_t kGrowStep = 1 << 16;
} // namespace

// Left unfilled: only bytes the stream delivered are ever read from it, and a reader is
// made for every case file opened, small ones included.
CArchiveReader::CArchiveReader(ICaseStream& stream)
    : m_stream(stream), m_buffer(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}

bool CArchiveReader::Refill() {
    m_nBufferStart += m_end;
    m_pos = 0;
    m_end = m_stream.Read(m_buffer.get(), kBufferSize);
    return m_end > 0;
}

void CArchiveReader::ThrowEof() const {
    throw CArchiveException(CArchiveException::endOfFile, {}, Offset());
}

std::size_t CArchiveReader::ReadSome(void* buffer, std::size_t count) {
    char* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (m_pos == m_end && !Refill()) {
            break;
        }
        std::size_t n = std::min(count - done, m_end - m_pos);
        std::memcpy(out + done, m_buffer.get() + m_pos, n);
        m_pos += n;
        done += n;
    }
    return done;
}

void CArchiveReader::Fill(void* out, std::size_t count) {
    if (m_end - m_pos >= count) {
        std::memcpy(out, m_buffer.get() + m_pos, count);
        m_pos += count;
        return;
    }
    if (ReadSome(out, count) != count) {
        ThrowEof();
    }
}

double CArchiveReader::ReadF64() {
    std::uint64_t bits = ReadU64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint32_t CArchiveReader::ReadTextLength(bool* wide) {
    *wide = false;
    // Nearly every text is shorter than 255 bytes: its length is one byte.
    if (m_pos < m_end && static_cast<unsigned char>(m_buffer[m_pos]) < 0xFF) {
        return static_cast<unsigned char>(m_buffer[m_pos++]);
    }
    return ReadLongTextLength(wide);
}

std::uint32_t CArchiveReader::ReadLongTextLength(bool* wide) {
    std::uint8_t b = ReadU8();
    if (b < 0xFF) {
        return b;
    }
    std::uint16_t w = ReadU16();
    if (w == 0xFFFE) {
        *wide = true;
        b = ReadU8();
        if (b < 0xFF) {
            return b;
        }
        w = ReadU16();
    }
    if (w < 0xFFFF) {
        return w;
    }
    std::uint32_t d = ReadU32();
    if (d == 0xFFFFFFFF) {
        // A 64-bit length: no case text is ever that long.
        throw CArchiveException(CArchiveException::badSchema, "text length out of range", Offset());
    }
    return d;
}

std::vector<std::uint8_t> CArchiveReader::ReadBytes(std::uint64_t count) {
    std::vector<std::uint8_t> out;
    while (out.size() < count) {
        std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(count - out.size(), kGrowStep));
        std::size_t old = out.size();
        out.resize(old + step);
        Fill(out.data() + old, step);
    }
    return out;
}

std::string CArchiveReader::ReadText() {
    std::string out;
    ReadTextInto(out);
    return out;
}

bool CArchiveReader::ReadStoredTextInto(std::string& stored, std::string& decoded) {
    bool wide = false;
    const std::uint32_t length = ReadTextLength(&wide);
    if (wide) {
        decoded = WideText(length);
        return false;
    }
    if (length <= m_end - m_pos) {
        stored.assign(m_buffer.get() + m_pos, length);
        m_pos += length;
        return true;
    }
    const std::vector<std::uint8_t> bytes = ReadBytes(length);
    stored.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return true;
}

std::string CArchiveReader::WideText(std::uint32_t length) {
    std::vector<std::uint8_t> bytes = ReadBytes(std::uint64_t{length} * 2);
    std::u16string units(length, u'\0');
    for (std::uint32_t i = 0; i < length; ++i) {
        units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
    return text::Utf16ToUtf8(units);
}

void CArchiveReader::ReadWholeTextInto(std::string& out) {
    bool wide = false;
    std::uint32_t length = ReadTextLength(&wide);
    if (length == 0) {
        out.clear();
        return;
    }
    if (!wide) {
        if (length <= m_end - m_pos) {
            std::string_view bytes(m_buffer.get() + m_pos, length);
            m_pos += length;
            text::Cp932ToUtf8(bytes, out);
            return;
        }
        std::vector<std::uint8_t> bytes = ReadBytes(length);
        text::Cp932ToUtf8(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out);
        return;
    }
    out = WideText(length);
}

} // namespace quillora
