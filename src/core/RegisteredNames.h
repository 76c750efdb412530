// Names the program registers with the desktop: the clipboard format of media
// transfers and the notices passed between threads and windows.
#pragma once

namespace quillora {

inline constexpr const char* kCfTobcaseMedia = "CF_TOBCASE_MEDIA";
inline constexpr const char* kWmTobcaseInsertMsg = "WM_TOBCASE_INSERTMSG";
inline constexpr const char* kWmTobcaseFindCaseMsg = "WM_TOBCASE_FINDCASEMSG";
inline constexpr const char* kWmTobcaseBatchMsg = "WM_TOBCASE_BATCHMSG";
inline constexpr const char* kWmTobcaseDeviceChangeMsg = "WM_TOBCASE_DEVICECHANGEMSG";

// The MIME type under which media travel on the clipboard.
inline constexpr const char* kMediaMimeType =
    "application/x-qt-windows-mime;value=\"CF_TOBCASE_MEDIA\"";

} // namespace quillora
