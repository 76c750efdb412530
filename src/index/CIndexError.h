// CIndexError: a failure of the index's store, with whether the store's file is damaged
// or foreign (then it is set aside and rebuilt) or only unavailable (busy, unwritable).
#pragma once

#include <stdexcept>
#include <string>

namespace quillora {

class CIndexError : public std::runtime_error {
public:
    CIndexError(const std::string& message, bool damaged)
        : std::runtime_error(message), m_bDamaged(damaged) {}

    bool Damaged() const { return m_bDamaged; }

private:
    bool m_bDamaged;
};

} // namespace quillora
