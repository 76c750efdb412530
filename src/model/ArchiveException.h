// Errors of the case file's object archive: a short file, a foreign class record,
// an unknown schema. Carries the byte offset where reading stopped.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillora {

class CArchiveException : public std::runtime_error {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        readOnly = 2,
        endOfFile = 3,
        writeOnly = 4,
        badIndex = 5,
        badClass = 6,
        badSchema = 7,
    };

    CArchiveException(int cause, std::string detail, std::uint64_t offset = 0);

    int m_cause;
    std::string m_strDetail;
    std::uint64_t m_nOffset;

    static const char* CauseName(int cause);
};

} // namespace quillora
