// A case file on disk without compression. Writing goes to a temporary file in the
// same folder that replaces the target only when Close succeeds.
#pragma once

#include "model/CaseStream.h"

namespace quillora {

class CPlainCaseFile : public ICaseStream {
public:
    CPlainCaseFile() = default;
    ~CPlainCaseFile() override;
    CPlainCaseFile(const CPlainCaseFile&) = delete;
    CPlainCaseFile& operator=(const CPlainCaseFile&) = delete;

    // Opens `path` for reading (no write bits in flags) or for writing. Throws
    // CFileException when the file cannot be opened or the temporary file made.
    void Open(const std::string& path, unsigned flags);

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    void Flush() override;
    void Close() override;
    void Abort() override;
    std::uint64_t GetLength() override;
    const std::string& GetFilePath() const override { return m_strPath; }

private:
    void FlushBuffer();

    int m_fd = -1;
    bool m_bWriting = false;
    std::string m_strPath;
    std::string m_strTempPath;
    std::string m_buffer;
};

} // namespace quillora
