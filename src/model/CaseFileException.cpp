// Case-file error messages.
#include "model/CaseFileException.h"

#include "core/Resources.h"

namespace quillora {

CCaseFileException::CCaseFileException(int cause, long osError, std::string fileName,
                                       int messageKind)
    : CFileException(cause, osError, std::move(fileName)), m_nMessageKind(messageKind) {}

std::string CCaseFileException::Message() const {
    if (m_nMessageKind == 1) {
        std::string name = m_strFileName.empty() ? Res(61446) : m_strFileName;
        return ResFormat(521, name.c_str());
    }
    if (m_cause == kBadPassword) {
        return "the case file is protected by a different password";
    }
    return CFileException::Message();
}

} // namespace quillora
