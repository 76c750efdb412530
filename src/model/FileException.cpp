// File error causes and their messages.
#include "model/FileException.h"

#include <cerrno>
#include <cstring>

namespace quillora {

namespace {

const char* CauseText(int cause) {
    switch (cause) {
    case CFileException::fileNotFound:
        return "file not found";
    case CFileException::badPath:
        return "bad path";
    case CFileException::tooManyOpenFiles:
        return "too many open files";
    case CFileException::accessDenied:
        return "access denied";
    case CFileException::invalidFile:
        return "not a usable file";
    case CFileException::removeCurrentDir:
        return "cannot remove the current folder";
    case CFileException::directoryFull:
        return "the folder is full";
    case CFileException::badSeek:
        return "cannot seek in the file";
    case CFileException::hardIO:
        return "input/output error";
    case CFileException::sharingViolation:
        return "the file is in use";
    case CFileException::lockViolation:
        return "the file is locked";
    case CFileException::diskFull:
        return "no space left on the device";
    case CFileException::endOfFile:
        return "unexpected end of file";
    default:
        return "cannot be read or written";
    }
}

std::string ReasonOf(int cause, long osError, const std::string& detail) {
    if (!detail.empty()) {
        return detail;
    }
    if (osError > 0) {
        return std::strerror(static_cast<int>(osError));
    }
    return CauseText(cause);
}

std::string Describe(int cause, long osError, const std::string& fileName,
                     const std::string& detail) {
    return (fileName.empty() ? std::string("file") : fileName) + ": " +
           ReasonOf(cause, osError, detail);
}

} // namespace

CFileException::CFileException(int cause, long osError, std::string fileName, std::string detail)
    : std::runtime_error(Describe(cause, osError, fileName, detail)), m_cause(cause),
      m_lOsError(osError), m_strFileName(std::move(fileName)), m_strDetail(std::move(detail)) {}

std::string CFileException::Reason() const {
    return ReasonOf(m_cause, m_lOsError, m_strDetail);
}

int CFileException::CauseFromErrno(int error) {
    switch (error) {
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return accessDenied;
    case ENOSPC:
    case EDQUOT:
        return diskFull;
    case EIO:
        return hardIO;
    case ESPIPE:
        return badSeek;
    default:
        return genericException;
    }
}

void CFileException::ThrowErrno(const std::string& fileName) {
    int error = errno;
    throw CFileException(CauseFromErrno(error), error, fileName);
}

std::string CFileException::Message() const {
    return what();
}

} // namespace quillora
