// The byte stream a case file is read from or written to. Streams report I/O
// failures by throwing CFileException; Read returns 0 only at the end of the data.
#pragma once

#include "core/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillora {

// Open modes, with the values of the file modes the case code has always used.
inline constexpr unsigned kOpenRead = 0x0000;
inline constexpr unsigned kOpenWrite = 0x0001;
inline constexpr unsigned kOpenReadWrite = 0x0002;
inline constexpr unsigned kOpenShareExclusive = 0x0010;
inline constexpr unsigned kOpenShareDenyWrite = 0x0020;
inline constexpr unsigned kOpenCreate = 0x1000;
// How the document opens a case for reading and for saving.
inline constexpr unsigned kOpenForLoad = kOpenShareDenyWrite;
inline constexpr unsigned kOpenForSave = kOpenCreate | kOpenReadWrite | kOpenShareExclusive;

class ICaseStream {
public:
    virtual ~ICaseStream() = default;

    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual void Write(const void* buffer, std::size_t count) = 0;
    virtual void Flush() = 0;
    // Completes the stream. For a written file this is when the new file takes the
    // place of the old one; until then the old file is untouched.
    virtual void Close() = 0;
    // Gives up: a written file is discarded and the old one stays as it was.
    virtual void Abort() = 0;
    // Reading: called once the case has been read; throws CFileException when the data
    // did not end as it must (a compressed file without its trailer, or whose check
    // values do not match).
    virtual void CheckEnd() {}
    // Writing, after Close: the new file, still under the writer's exclusive lock, for
    // a caller that keeps it locked; an empty descriptor when the stream has none.
    virtual CUniqueFd TakeWrittenFile() { return CUniqueFd(); }
    // The size of the file on disk (for compressed streams the compressed size).
    virtual std::uint64_t GetLength() = 0;
    virtual const std::string& GetFilePath() const = 0;
};

// Opens a case file for reading: a descriptor of the regular file at `path`. Throws
// CFileException when it cannot be opened or is a folder, device, FIFO or socket
// (which are never read as cases: a FIFO would wait for ever).
int OpenCaseForReading(const std::string& path);

} // namespace quillora
