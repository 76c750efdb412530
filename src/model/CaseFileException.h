// Case-file errors: cause 2 is a wrong password. Message kind 1 asks for the
// "could not read this file" text that names the file.
#pragma once

#include "model/FileException.h"

namespace quillora {

class CCaseFileException : public CFileException {
public:
    static constexpr int kBadPassword = 2;

    CCaseFileException(int cause, long osError, std::string fileName, int messageKind = 0,
                       std::string detail = {});

    int m_nMessageKind;

    // A wrong password: cause 2 raised by the reader, with OS error -1. A file that
    // is not found has the same cause but carries its OS error.
    bool IsBadPassword() const { return m_cause == kBadPassword && m_lOsError == -1; }
    std::string Reason() const override;

    // Kind 1: string 521 with the file name (string 61446 when the name is empty);
    // kind 0: the file error text of the cause.
    std::string Message() const override;
    int HelpContext() const { return m_cause + 0xF1A0; }
};

} // namespace quillora
