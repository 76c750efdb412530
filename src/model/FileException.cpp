// File error causes and their messages.
#include "model/FileException.h"

#include <cerrno>
#include <cstring>

namespace quillora {

namespace {

std::string Describe(int cause, long osError, const std::string& fileName,
                     const std::string& reason) {
    std::string text = fileName.empty() ? std::string("file") : fileName;
    text += ": ";
    if (!reason.empty()) {
        text += reason;
    } else if (osError > 0) {
        text += std::strerror(static_cast<int>(osError));
    } else if (cause == CFileException::endOfFile) {
        text += "unexpected end of file";
    } else {
        text += "file error " + std::to_string(cause);
    }
    return text;
}

} // namespace

CFileException::CFileException(int cause, long osError, std::string fileName)
    : CFileException(cause, osError, std::move(fileName), std::string()) {}

CFileException::CFileException(int cause, long osError, std::string fileName, std::string reason)
    : std::runtime_error(Describe(cause, osError, fileName, reason)), m_cause(cause),
      m_lOsError(osError), m_strFileName(std::move(fileName)), m_strReason(std::move(reason)) {}

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
