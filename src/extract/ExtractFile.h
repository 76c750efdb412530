// The file an extractor reads: a regular file opened read-only behind a small buffer,
// with rewinding, positioned reads and line reading that never grows without bound.
#pragma once

#include "core/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

class CExtractFile {
public:
    // Longest line GetRawLine returns; a longer run of bytes without a line feed is
    // handed out in pieces of this size.
    static constexpr std::size_t kMaxLine = 64 * 1024;

    CExtractFile() = default;
    CExtractFile(const CExtractFile&) = delete;
    CExtractFile& operator=(const CExtractFile&) = delete;

    // Opens `path` for reading. False (and nothing open) when it cannot be opened or is
    // not a regular file: FIFOs, devices and sockets are never read, links not followed
    // to them either.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd.Get() >= 0; }

    const std::string& Path() const { return m_path; }
    std::uint64_t Size() const { return m_size; }

    // Sequential reading from the current position.
    void Rewind() { Seek(0); }
    void Seek(std::uint64_t position);
    std::uint64_t Tell() const { return m_position; }
    bool AtEnd();
    // The next byte, or -1 at the end (or on a read error).
    int Get();
    // Up to n bytes; the count read.
    std::size_t Read(void* buffer, std::size_t n);

    // Up to n bytes at `offset`, leaving the sequential position alone.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const;

    // The first bytes of the file (at most n), leaving the position alone.
    std::string Head(std::size_t n) const;

    // Reads bytes up to and including a line feed into `line` (emptied first). A byte
    // 0x1A ends the line and is dropped; a line end that was read is given as CR LF.
    // False at the end of the file (nothing read).
    bool GetRawLine(std::string& line);

private:
    bool Fill();

    CUniqueFd m_fd;
    std::string m_path;
    std::uint64_t m_size = 0;
    std::uint64_t m_position = 0; // of the next byte handed out
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_bufferStart = 0; // file offset of m_buffer[0]
    std::size_t m_bufferLen = 0;
};

} // namespace quillora
