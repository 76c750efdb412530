// The hook through which the scanner hands archives to the archive expansion.
#pragma once

#include <cstdint>
#include <stop_token>

namespace quillora {

class CArchiveHead;
class IScanProgress;
class SFileInfo;
struct SDirEntry;
struct SScanOptions;

// Lists archives found during a scan into archive nodes, and reads what lies inside
// them. The scanner holds a pointer to one; without it every archive stays a plain
// file. Called on the scanning thread only.
class IArchiveLister {
public:
    virtual ~IArchiveLister() = default;

    // A scan begins: its options (the archive file itself is registered as a plain file
    // first, so "AutoComment" and "AddVolCRC" apply to it, and "AddVolArcCRC" has the
    // CRC-32 of every entry read while listing) and the sink its progress goes to
    // (codes 1-4; null for none), and the scan's stop token. The options hold until
    // the next BeginScan, the sink and the token until EndScan.
    virtual void BeginScan(const SScanOptions& options, IScanProgress* progress,
                           std::stop_token stop) = 0;
    // The scan is over (however it ended): its progress sink may go away.
    virtual void EndScan() = 0;

    // Whether TryListArchive reads the first bytes of files with this file-type code:
    // their archiver is there and allowed. Asked once as a walk begins, so that the
    // bytes can be read ahead with the folder's listing.
    virtual bool ReadsHeadOf(std::uint16_t fileTypeCode) = 0;

    // Lists the archive file `entry` of `folder` (file-type code 4-16 or 22) into a
    // new archive node appended to the folder, and hands the node back; null leaves
    // the folder unchanged and the file is registered as a plain file. `head`: the
    // file's first bytes when they were read ahead; null to read them here. The scan
    // calls this one. A lister that answers only TryListArchive is taken at its word:
    // what it appended last is the node.
    virtual SFileInfo* ListArchive(SFileInfo& folder, const SDirEntry& entry,
                                   std::uint16_t fileTypeCode, const CArchiveHead* head);

    // The same, saying only whether the node was appended (as the folder's last child).
    virtual bool TryListArchive(SFileInfo& folder, const SDirEntry& entry,
                                std::uint16_t fileTypeCode, const CArchiveHead* head) = 0;

    // The CRC-32 of one record inside an archive, read from the archive without
    // writing it anywhere; 0 when it cannot be read.
    virtual std::uint32_t ArchiveEntryCrc(const SFileInfo& entry) = 0;

    // The CRC-32 of the file `record` inside an archive and, with recurse, of every file
    // below it (an archive node: of all its entries), read in one pass over the
    // archive and stored in the records. True when a non-zero CRC was obtained for any.
    virtual bool CollectArchiveCrcs(SFileInfo& record, bool recurse) = 0;

    // Comment extraction for a record inside an archive (the archive node included):
    // the entries are extracted in one batch, their texts stored in slot 0 (comment)
    // or 1 (category), and removed again. False only when stopped through `stop`
    // (a token without a source: never).
    virtual bool ExtractArchiveComments(SFileInfo& record, int slot, bool overwrite, bool recurse,
                                        const std::stop_token& stop) = 0;
};

} // namespace quillora
