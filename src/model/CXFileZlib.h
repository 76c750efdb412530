// A case file stream in the gzip format. Reading also accepts plain files, which pass
// through unchanged, so one reader serves both kinds of ".cas" (CGzipFileReader).
// Writing goes through zlib to a new file that takes the target's place on Close
// (CAtomicFile).
#pragma once

#include "model/CAtomicFile.h"
#include "model/CGzipFileReader.h"
#include "model/CaseStream.h"

#include <cstdint>
#include <memory>
#include <zlib.h>

namespace quillora {

class CXFileZlib : public ICaseStream {
public:
    enum SeekOrigin { begin = 0, current = 1, end = 2 };

    CXFileZlib() = default;
    ~CXFileZlib() override;
    CXFileZlib(const CXFileZlib&) = delete;
    CXFileZlib& operator=(const CXFileZlib&) = delete;

    // Flags 0x0000 or 0x0020 read; flags with 0x0001, or exactly 0x1012, write;
    // any other flags open nothing. Throws CFileException on failure.
    void Open(const std::string& path, unsigned flags);
    bool IsOpen() const { return m_gz != nullptr || m_reader != nullptr; }

    // current: relative move in the uncompressed data; begin: rewinds (offset not
    // used); end: returns the uncompressed length and leaves the position alone.
    // -1 for other origins.
    std::int64_t Seek(std::int64_t offset, int origin);

    // Throws CFileException when the compressed data is damaged or ends early.
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    // Finishes the gzip member written so far (Z_FINISH).
    void Flush() override;
    void Close() override;
    void Abort() override;
    // Reads what is left (at most 1 MiB, else the file is refused) so that zlib checks
    // the gzip trailer's CRC and size.
    void CheckEnd() override;
    CUniqueFd TakeWrittenFile() override { return m_atomic.TakeLockedFd(); }
    std::uint64_t GetLength() override;
    const std::string& GetFilePath() const override { return m_strPath; }

private:
    [[noreturn]] void ThrowGzError();
    // Reads and drops `count` bytes; false when the contents end before.
    bool Skip(std::uint64_t count);

    std::unique_ptr<CGzipFileReader> m_reader;
    gzFile m_gz = nullptr;
    int m_nOpenFlags = -1;
    bool m_bWriting = false;
    std::string m_strPath;
    CAtomicFile m_atomic;
};

} // namespace quillora
