// Case-file errors: cause 2 is a wrong password. Message kind 1 asks for the
// "could not read this file" text that names the file.
#pragma once

#include "model/FileException.h"

namespace quillora {

class CCaseFileException : public CFileException {
public:
    static constexpr int kBadPassword = 2;

    CCaseFileException(int cause, long osError, std::string fileName, int messageKind = 0);

    int m_nMessageKind;

    // Kind 1: string 521 with the file name (string 61446 when the name is empty);
    // kind 0: the file error text of the cause.
    std::string Message() const override;
    int HelpContext() const { return m_cause + 0xF1A0; }
};

} // namespace quillora
