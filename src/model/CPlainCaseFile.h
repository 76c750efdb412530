// A case file on disk without compression. Writing goes to a new file beside the
// target that takes its place only when Close succeeds (see CAtomicFile).
#pragma once

#include "model/CAtomicFile.h"
#include "model/CaseStream.h"

namespace quillora {

class CPlainCaseFile : public ICaseStream {
public:
    CPlainCaseFile() = default;
    ~CPlainCaseFile() override;
    CPlainCaseFile(const CPlainCaseFile&) = delete;
    CPlainCaseFile& operator=(const CPlainCaseFile&) = delete;

    // Opens `path` for reading (no write bits in flags) or for writing. Throws
    // CFileException when the file cannot be opened, the target may not be replaced
    // or the new file cannot be made.
    void Open(const std::string& path, unsigned flags);

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    void Flush() override;
    void Close() override;
    void Abort() override;
    CUniqueFd TakeWrittenFile() override { return m_atomic.TakeLockedFd(); }
    std::uint64_t GetLength() override;
    const std::string& GetFilePath() const override { return m_strPath; }

private:
    void FlushBuffer();

    int m_fd = -1;
    bool m_bWriting = false;
    std::string m_strPath;
    CAtomicFile m_atomic;
    std::string m_buffer;
};

} // namespace quillora
