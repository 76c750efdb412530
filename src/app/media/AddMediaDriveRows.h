// The rows of the add-media dialog's drives page, built from the drive list without
// the dialog: which drives are offered and how each is shown and named.
#pragma once

#include "platform/DriveList.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillora {

struct SAddMediaDriveRow {
    std::string m_root;       // mount point
    std::string m_display;    // first column: "label(root)" or "XXXX-XXXX(root)"
    std::string m_name;       // the name proposed as label, and the drive name answered
    std::string m_serialText; // "%04X-%04X"; "（不明）" when the disc cannot be read
    std::uint32_t m_serial = 0;
    DriveKind m_kind = DriveKind::Unknown;
    int m_imageIndex = 12; // in the tree's image strip: fixed 22, remote 24, CD-ROM 4, else 12
};

inline constexpr std::size_t kMaxAddMediaDrives = 32;

// The drives offered, in drive-list order, at most kMaxAddMediaDrives: each whose
// position (from 0) `isUsed` accepts and whose kind is removable, fixed, remote or
// CD-ROM. A network drive is always listed, by its network path, with serial 0; any
// other only when its volume could be read, by its label or, without one, by its
// serial number.
std::vector<SAddMediaDriveRow> BuildAddMediaDriveRows(const std::vector<SDrive>& drives,
                                                      const std::function<bool(int)>& isUsed);

// "%04X-%04X" of a serial number.
std::string SerialText(std::uint32_t serial);

} // namespace quillora
