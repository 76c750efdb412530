// Owns a file descriptor and closes it when it goes out of scope.
#pragma once

#include <unistd.h>
#include <utility>

namespace quillora {

class CUniqueFd {
public:
    explicit CUniqueFd(int fd = -1) : m_fd(fd) {}
    ~CUniqueFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CUniqueFd(const CUniqueFd&) = delete;
    CUniqueFd& operator=(const CUniqueFd&) = delete;
    CUniqueFd(CUniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CUniqueFd& operator=(CUniqueFd&& other) noexcept {
        if (this != &other) {
            CUniqueFd old(std::exchange(m_fd, std::exchange(other.m_fd, -1)));
        }
        return *this;
    }

    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }
    // Closes now. False (errno set) when there was nothing to close or the close
    // reported an error, which is how a late write error shows.
    bool Close() { return ::close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};

} // namespace quillora
