// Drive rows of the add-media dialog.
#include "app/media/AddMediaDriveRows.h"

#include "core/Resources.h"

#include <cstdio>

namespace quillora {

namespace {

bool IsOfferedKind(DriveKind kind) {
    return kind == DriveKind::Removable || kind == DriveKind::Fixed || kind == DriveKind::Remote ||
           kind == DriveKind::CdRom;
}

int ImageIndexFor(DriveKind kind) {
    switch (kind) {
    case DriveKind::Fixed:
        return 22;
    case DriveKind::Remote:
        return 24;
    case DriveKind::CdRom:
        return 4;
    default:
        return 12;
    }
}

// The last component of a network path ("//server/share", "server:/export").
std::string LastComponent(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == '/' || trimmed.back() == '\\')) {
        trimmed.pop_back();
    }
    const auto pos = trimmed.find_last_of("/\\");
    return pos == std::string::npos ? trimmed : trimmed.substr(pos + 1);
}

// A drive letter fitted the original "%-2.2s"; a mount point is shown whole.
std::string WithRoot(const std::string& text, const std::string& root) {
    return text + "(" + root + ")";
}

} // namespace

std::string SerialText(std::uint32_t serial) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04X-%04X", (serial >> 16) & 0xFFFFu, serial & 0xFFFFu);
    return buffer;
}

std::vector<SAddMediaDriveRow> BuildAddMediaDriveRows(const std::vector<SDrive>& drives,
                                                      const std::function<bool(int)>& isUsed) {
    std::vector<SAddMediaDriveRow> rows;
    for (std::size_t index = 0; index < drives.size() && rows.size() < kMaxAddMediaDrives;
         ++index) {
        const SDrive& drive = drives[index];
        if ((isUsed && !isUsed(static_cast<int>(index))) || !IsOfferedKind(drive.m_kind)) {
            continue;
        }
        SAddMediaDriveRow row;
        row.m_root = drive.m_root;
        row.m_kind = drive.m_kind;
        row.m_imageIndex = ImageIndexFor(drive.m_kind);
        if (drive.m_kind == DriveKind::Remote) {
            row.m_display = WithRoot(drive.m_source, drive.m_root);
            row.m_name = LastComponent(drive.m_source);
            row.m_serial = 0;
        } else {
            if (!drive.m_present) {
                continue;
            }
            row.m_serial = drive.m_serial;
            if (drive.m_serialUnknown) {
                // A disc this user may not read: no serial is made up for it.
                row.m_name = drive.m_label.empty() ? "Unkown" : drive.m_label;
            } else {
                row.m_name = drive.m_label.empty() ? SerialText(drive.m_serial) : drive.m_label;
            }
            row.m_display = WithRoot(row.m_name, drive.m_root);
        }
        row.m_serialText = drive.m_serialUnknown ? Res(140) : SerialText(row.m_serial);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace quillora
