// File errors while a case file is opened, read or written, with the causes the
// case file's original framework used so that messages and logs keep their meaning.
#pragma once

#include <stdexcept>
#include <string>

namespace quillora {

class CFileException : public std::runtime_error {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    // `detail`, when given, says why in plain English (it wins over the OS error's
    // text, which may not fit: 110 stands for the framework's "open failed").
    CFileException(int cause, long osError, std::string fileName, std::string detail = {});

    int m_cause;
    long m_lOsError;
    std::string m_strFileName;
    std::string m_strDetail;

    // Why it failed, in plain English and without the file name.
    virtual std::string Reason() const;

    // The cause that matches an errno value.
    static int CauseFromErrno(int error);
    // Throws a CFileException for the current errno and this file.
    [[noreturn]] static void ThrowErrno(const std::string& fileName);

    // A sentence for the user: what failed, on which file, and why.
    virtual std::string Message() const;
};

} // namespace quillora
