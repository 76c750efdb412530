// The lowered file-size limit and its restoration.
#include "support/FileSizeLimit.h"

namespace quillora::test {

FileSizeLimit::FileSizeLimit(std::uint64_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &m_oldAction);
    getrlimit(RLIMIT_FSIZE, &m_old);
    struct rlimit lowered = m_old;
    lowered.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &lowered);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    sigaction(SIGXFSZ, &m_oldAction, nullptr);
}

} // namespace quillora::test
