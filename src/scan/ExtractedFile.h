// One file being written by an extraction: the bytes go to a nameless (or short-named)
// temporary in the file's folder, which takes the file's name only when complete, so
// a failed or interrupted extraction leaves neither a partial file nor the old one
// spoilt, and a name of up to 255 bytes needs no room for a suffix.
#pragma once

#include "core/UniqueFd.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace quillora {

class CExtractedFile {
public:
    CExtractedFile() = default;
    // Discards the temporary when Commit was not reached.
    ~CExtractedFile();
    CExtractedFile(const CExtractedFile&) = delete;
    CExtractedFile& operator=(const CExtractedFile&) = delete;

    // Starts the file `name` in the folder open at `folderFd`; `shownPath` names it in
    // messages. False with Error() set when no temporary can be made there.
    bool Create(int folderFd, const std::string& name, std::string shownPath);

    // Writes `size` bytes at `offset` (holes between writes stay holes). False with
    // Error() naming the file and the cause on any short or failed write.
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size);
    // Writes at the end of what was written so far.
    bool Append(const void* data, std::size_t size) { return WriteAt(m_nEnd, data, size); }

    // Gives the file its final length (at least what was written), permission bits
    // and modification time (and access time, the modification time when null), then
    // its name, replacing a file or link of that name once the new bytes are on disk.
    // False with Error() set when any step fails; the temporary is then gone and
    // whatever had the name is untouched.
    bool Commit(std::uint64_t length, unsigned mode, const struct timespec& mtime,
                const struct timespec* atime = nullptr);

    // Throws the temporary away now.
    void Discard();

    const std::string& Error() const { return m_strError; }

    // A fresh temporary name: ".q" and eight letters or digits, short enough for any
    // name length the file system allows.
    static std::string TempName();

private:
    bool Fail(const std::string& cause);
    bool FailErrno(int error);

    CUniqueFd m_fd;
    int m_folderFd = -1;
    std::string m_strName;
    std::string m_strShown;
    std::string m_strTempName; // set while a named temporary exists
    std::uint64_t m_nEnd = 0;
    std::string m_strError;
};

} // namespace quillora
