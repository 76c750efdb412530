// Writes the primitive encodings of a case file through a 4096-byte buffer. Texts
// go out in CP932 when it holds them exactly, else in the wide (UTF-16) form.
#pragma once

#include "model/CaseStream.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CArchiveWriter {
public:
    explicit CArchiveWriter(ICaseStream& stream);

    void WriteU8(std::uint8_t v);
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteU64(std::uint64_t v);
    void WriteText(std::string_view utf8);
    void WriteBytes(const void* data, std::size_t count);
    // Hands the buffered bytes to the stream.
    void Flush();

private:
    void WriteLength(std::uint32_t length);

    ICaseStream& m_stream;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
    std::string m_scratch;
};

} // namespace quillora
