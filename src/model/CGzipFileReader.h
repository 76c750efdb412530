// CGzipFileReader: reads a case file that is gzip (one member or several, one after the
// other) or plain, with ISA-L's inflate, which takes about a third of zlib's time, and
// its checksum, which takes a twentieth. A search reads every case file of a folder.
#pragma once

#include "core/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct inflate_state;

namespace quillora {

class CGzipFileReader {
public:
    // Reads from `fd`; `path` names the file in errors.
    CGzipFileReader(CUniqueFd fd, std::string path);
    ~CGzipFileReader();
    CGzipFileReader(const CGzipFileReader&) = delete;
    CGzipFileReader& operator=(const CGzipFileReader&) = delete;

    // Up to `count` bytes of the file's contents, fewer only at its end. Throws
    // CFileException when reading fails or the compressed data is damaged or cut short.
    // Whatever follows the last gzip member is not part of the contents.
    std::size_t Read(void* buffer, std::size_t count);
    // Back to the start of the contents.
    void Rewind();
    // Bytes of the contents read so far.
    std::uint64_t Position() const { return m_nPosition; }

private:
    enum class EKind { Unknown, Plain, Gzip, Done };

    void Start();
    std::size_t ReadPlain(char* out, std::size_t count);
    std::size_t Inflate(char* out, std::size_t count);
    // Moves what is left of the input to the front and reads more behind it; false at
    // the end of the file.
    bool Fill();
    // Whether a gzip member starts at the input (at the file's start: else it is plain;
    // after a member's trailer: else the contents end), inflate then made ready for it.
    bool BeginMember();
    [[noreturn]] void Damaged(int code) const;
    [[noreturn]] void CutShort() const;

    CUniqueFd m_fd;
    std::string m_strPath;
    EKind m_kind = EKind::Unknown;
    std::unique_ptr<inflate_state> m_state;
    std::unique_ptr<std::uint8_t[]> m_input;
    std::uint8_t* m_pNext = nullptr; // the input not yet taken
    std::size_t m_nAvailable = 0;
    bool m_bEnd = false;
    std::uint64_t m_nPosition = 0;
};

} // namespace quillora
