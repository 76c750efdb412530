// The first bytes of a file that may be an archive, read with one pread, so that a
// file is handed to an archiver only when its bytes say it is of that format; and for
// an .EXE, whether data follows the program image, where a self-extractor keeps its
// archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillora {

class CArchiveHead {
public:
    static constexpr std::size_t kSize = 4096;
    // Enough for every family's check but the program image's (a tar header block):
    // reading no more keeps a scan that meets thousands of such files from streaming
    // their bytes through the processor's caches.
    static constexpr std::size_t kFamilySize = 512;

    // Reads the head of the regular file at `path` (`fileSize` as the walk found it).
    // False when it cannot be opened or read; links are not followed and a FIFO is
    // never waited on.
    bool Read(const std::string& path, std::uint64_t fileSize);
    // The same for the file `name` in the folder open at dirFd, reading at most `want`
    // bytes (up to kSize).
    bool ReadAt(int dirFd, const char* name, std::uint64_t fileSize, std::size_t want = kSize);
    // ReadAt of as many bytes as the checks for a file with this file-type code look at.
    bool ReadFor(std::uint16_t fileTypeCode, int dirFd, const char* name, std::uint64_t fileSize);
    // The same over bytes already in memory (tests, fuzzing).
    void Assign(const unsigned char* bytes, std::size_t size, std::uint64_t fileSize);

    const unsigned char* Bytes() const { return m_bytes; }
    std::size_t Size() const { return m_nSize; }
    std::uint64_t FileSize() const { return m_nFileSize; }
    bool StartsWith(const void* magic, std::size_t size) const;

    // Format checks of the families.
    bool LooksLikeLha() const;
    bool LooksLikeZip() const;
    bool LooksLikeCab() const;
    bool LooksLikeArj() const;
    bool LooksLikeRar() const;
    // A tar header with a valid checksum, or a gzip or compress (.Z) stream.
    bool LooksLikeTarFamily() const;

    // An MZ program (PE or plain DOS) whose file goes on past the end of its image
    // (past its last section for PE, a certificate at the very end not counted).
    // Sections beyond the head are read with one more pread, from `path`.
    bool HasDataPastImage(const std::string& path) const;

private:
    // Left unset: only the first m_nSize bytes are ever read, and a listing holding
    // many heads would otherwise clear 4 KiB for each.
    unsigned char m_bytes[kSize];
    std::size_t m_nSize = 0;
    std::uint64_t m_nFileSize = 0;
};

} // namespace quillora
