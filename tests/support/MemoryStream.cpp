// In-memory case stream.
#include "support/MemoryStream.h"

#include "model/FileException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quillora::test {

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    std::size_t n = std::min(count, m_bytes.size() - m_pos);
    std::memcpy(buffer, m_bytes.data() + m_pos, n);
    m_pos += n;
    return n;
}

void MemoryStream::Write(const void* buffer, std::size_t count) {
    if (m_bytes.size() + count > m_limit) {
        throw CFileException(CFileException::diskFull, ENOSPC, m_path);
    }
    m_bytes.append(static_cast<const char*>(buffer), count);
}

} // namespace quillora::test
