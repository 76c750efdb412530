// Opening a case file for reading.
#include "model/CaseStream.h"

#include "model/FileException.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillora {

int OpenCaseForReading(const std::string& path) {
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.Get() < 0) {
        CFileException::ThrowErrno(path);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        CFileException::ThrowErrno(path);
    }
    if (S_ISDIR(st.st_mode)) {
        throw CFileException(CFileException::accessDenied, EISDIR, path);
    }
    if (!S_ISREG(st.st_mode)) {
        throw CFileException(CFileException::accessDenied, 0, path, "not a regular file");
    }
    // Reads of a regular file never wait, but clear the flag all the same.
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    return fd.Release();
}

} // namespace quillora
