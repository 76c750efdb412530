// The sink a scan reports its progress to.
#pragma once

namespace quillora {

class SFileInfo;

// Progress codes passed to IScanProgress::Post.
inline constexpr int kScanProgressRecord = 1; // a folder's walk starts, or a record was appended
inline constexpr int kScanProgressArcComment =
    2; // one archive entry's comment is about to be extracted
inline constexpr int kScanProgressArcExtract = 3; // an archive's entries are about to be extracted
inline constexpr int kScanProgressCrc = 4; // the CRC-32 of one entry is about to be collected

// Receives progress from the scanning thread. Post is called on that thread, in
// the order things happen, and must return at once: it may keep the newest state
// (the code and the record) for a reader on another thread, but never waits for
// that reader. The record belongs to the tree being built; it stays valid until
// the scan returns, and only its name and path may be read meanwhile.
class IScanProgress {
public:
    virtual ~IScanProgress() = default;
    virtual void Post(int code, const SFileInfo* record) = 0;
};

} // namespace quillora
