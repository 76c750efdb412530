// The hook through which the scanner hands archives to the archive expansion.
#pragma once

#include <cstdint>

namespace quillora {

class SFileInfo;
struct SDirEntry;

// Lists archives found during a scan into archive nodes, and reads what lies inside
// them. The scanner holds a pointer to one; without it every archive stays a plain
// file. Called on the scanning thread only.
class IArchiveLister {
public:
    virtual ~IArchiveLister() = default;

    // Lists the archive file `entry` of `folder` (file-type code 4-16 or 22) into a
    // new archive node appended as the folder's last child. True when it did; false
    // leaves the folder unchanged and the file is registered as a plain file.
    virtual bool TryListArchive(SFileInfo& folder, const SDirEntry& entry,
                                std::uint16_t fileTypeCode) = 0;

    // The CRC-32 of one record inside an archive (extracted alone to the work folder
    // and removed again); 0 when it cannot be extracted.
    virtual std::uint32_t ArchiveEntryCrc(const SFileInfo& entry) = 0;

    // Comment extraction for a record inside an archive (the archive node included):
    // the entries are extracted in one batch, their texts stored in slot 0 (comment)
    // or 1 (category), and removed again. False only when stopped by a cancel.
    virtual bool ExtractArchiveComments(SFileInfo& record, int slot, bool overwrite, bool recurse,
                                        bool checkCancel) = 0;
};

} // namespace quillora
