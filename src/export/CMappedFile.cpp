// The list file's view: mmap for regular files, bounded reads for the rest.
#include "export/CMappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

CMappedFile::CMappedFile(const std::string& path, std::size_t cap) : m_nCap(cap) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_nError = errno;
        return;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        m_nError = errno;
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        m_nError = EISDIR;
        return;
    }
    if (S_ISREG(st.st_mode)) {
        m_nSize = static_cast<std::size_t>(st.st_size);
        if (m_nSize == 0) {
            return;
        }
        void* p = ::mmap(nullptr, m_nSize, PROT_READ, MAP_PRIVATE, m_fd, 0);
        if (p != MAP_FAILED) {
            m_pMap = p;
            ::madvise(p, m_nSize, MADV_SEQUENTIAL);
            return;
        }
    }
    ReadBounded();
}

CMappedFile::~CMappedFile() {
    if (m_pMap) {
        ::munmap(m_pMap, m_nSize);
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

// Pipes, devices and files that cannot be mapped are read in pieces, up to the cap: a
// FIFO or /dev/zero never ends. Binary data stops the read at once; the reader
// reports it.
void CMappedFile::ReadBounded() {
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_nError = errno;
            return;
        }
        if (n == 0) {
            break;
        }
        if (m_read.size() + static_cast<std::size_t>(n) > m_nCap) {
            m_bTooLong = true;
            m_read.clear();
            break;
        }
        m_read.append(buffer, static_cast<std::size_t>(n));
        if (std::memchr(buffer, '\0', static_cast<std::size_t>(n))) {
            break;
        }
    }
    m_nSize = m_read.size();
}

} // namespace quillora
