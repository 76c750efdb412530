// Which drives the program uses: the drive-use settings as a value for the drive table.
#pragma once

#include <cstdint>

namespace quillora {

struct SDriveChoice {
    bool m_useAll = true;             // "DriveUseAll": every drive
    std::uint32_t m_use = 0xFFFFFFFF; // "DriveUse": one bit per drive-list position (mod 32)

    bool IsUsed(int position) const {
        if (m_useAll) {
            return true;
        }
        const int bit = ((position % 32) + 32) % 32;
        return (m_use >> bit) & 1u;
    }
};

} // namespace quillora
