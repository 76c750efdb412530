// A full disk as a test can make one anywhere: the process's file-size limit
// (RLIMIT_FSIZE) lowered for the guard's lifetime, with SIGXFSZ ignored so that a write
// past the limit fails with EFBIG instead of ending the process.
#pragma once

#include <csignal>
#include <cstdint>
#include <sys/resource.h>

namespace quillora::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_old {};
    struct sigaction m_oldAction {};
};

} // namespace quillora::test
