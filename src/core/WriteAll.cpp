// The loops around write(2) and writev(2).
#include "core/WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <unistd.h>

namespace quillora {

bool WriteAllGathered(int fd, std::span<iovec> pieces) {
    while (!pieces.empty()) {
        const int count = static_cast<int>(std::min<std::size_t>(pieces.size(), IOV_MAX));
        std::size_t batch = 0;
        for (int i = 0; i < count; ++i) {
            batch += pieces[static_cast<std::size_t>(i)].iov_len;
        }
        if (batch == 0) { // nothing to write, and writev would say 0
            pieces = pieces.subspan(static_cast<std::size_t>(count));
            continue;
        }
        const ssize_t n = ::writev(fd, pieces.data(), count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        if (static_cast<std::size_t>(n) == batch) {
            pieces = pieces.subspan(static_cast<std::size_t>(count));
            continue;
        }
        // Drop what was written: whole pieces, then the front of a piece cut short.
        auto left = static_cast<std::size_t>(n);
        while (!pieces.empty() && left >= pieces.front().iov_len) {
            left -= pieces.front().iov_len;
            pieces = pieces.subspan(1);
        }
        if (left > 0) {
            pieces.front().iov_base = static_cast<char*>(pieces.front().iov_base) + left;
            pieces.front().iov_len -= left;
        }
    }
    return true;
}

bool WriteAll(int fd, std::string_view data) {
    iovec whole{const_cast<char*>(data.data()), data.size()};
    return WriteAllGathered(fd, std::span(&whole, 1));
}

} // namespace quillora
