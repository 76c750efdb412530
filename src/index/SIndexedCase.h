// SIndexedCase: what the index knows of one case file: where it is, the size and time it
// had when it was read, and whether its records are in the index or why not.
#pragma once

#include <cstdint>
#include <string>

namespace quillora {

enum class ECaseState : std::uint8_t {
    Indexed,    // its records are in the index
    Protected,  // a password protects it: its records are kept out
    Unreadable, // it could not be read; m_strCause says why
};

struct SIndexedCase {
    std::string m_strPath; // absolute
    std::int64_t m_nFileSize = -1;
    std::int64_t m_nModified = 0; // nanoseconds since 1970
    ECaseState m_state = ECaseState::Indexed;
    std::string m_strCause;
    std::uint64_t m_nRecords = 0;
};

} // namespace quillora
