// Case-file error messages.
#include "model/CaseFileException.h"

#include "core/Resources.h"

namespace quillora {

CCaseFileException::CCaseFileException(int cause, long osError, std::string fileName,
                                       int messageKind, std::string detail)
    : CFileException(cause, osError, std::move(fileName), std::move(detail)),
      m_nMessageKind(messageKind) {}

std::string CCaseFileException::Reason() const {
    if (IsBadPassword()) {
        return "the case is protected by a different password";
    }
    if (m_nMessageKind == 1 && m_strDetail.empty()) {
        return "cannot unpack the case from this .caz file";
    }
    return CFileException::Reason();
}

std::string CCaseFileException::Message() const {
    if (m_nMessageKind == 1) {
        std::string name = m_strFileName.empty() ? Res(61446) : m_strFileName;
        return ResFormat(521, name.c_str());
    }
    if (IsBadPassword()) {
        return "the case file is protected by a different password";
    }
    return CFileException::Message();
}

} // namespace quillora
