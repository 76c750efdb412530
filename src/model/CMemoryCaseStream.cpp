// In-memory case stream.
#include "model/CMemoryCaseStream.h"

#include <algorithm>
#include <cstring>

namespace quillora {

std::size_t CMemoryCaseStream::Read(void* buffer, std::size_t count) {
    std::size_t n = std::min(count, m_bytes.size() - m_nPos);
    std::memcpy(buffer, m_bytes.data() + m_nPos, n);
    m_nPos += n;
    return n;
}

void CMemoryCaseStream::Write(const void* buffer, std::size_t count) {
    m_bytes.append(static_cast<const char*>(buffer), count);
}

} // namespace quillora
