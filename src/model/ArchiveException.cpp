// Archive error texts.
#include "model/ArchiveException.h"

namespace quillora {

namespace {

std::string Describe(int cause, const std::string& detail, std::uint64_t offset) {
    std::string text = CArchiveException::CauseName(cause);
    text += " at byte ";
    text += std::to_string(offset);
    if (!detail.empty()) {
        text += ": ";
        text += detail;
    }
    return text;
}

} // namespace

CArchiveException::CArchiveException(int cause, std::string detail, std::uint64_t offset)
    : std::runtime_error(Describe(cause, detail, offset)), m_cause(cause),
      m_strDetail(std::move(detail)), m_nOffset(offset) {}

const char* CArchiveException::CauseName(int cause) {
    switch (cause) {
    case endOfFile:
        return "unexpected end of the case file";
    case badClass:
        return "the case file holds an unknown or damaged record";
    case badSchema:
        return "the case file is damaged or of an unknown version";
    case readOnly:
        return "the case file is read-only";
    case writeOnly:
        return "the case file was opened for writing";
    case badIndex:
        return "bad object index in the case file";
    default:
        return "case file error";
    }
}

} // namespace quillora
