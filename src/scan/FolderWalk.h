// The scanner's walk over a folder tree, with an explicit stack instead of
// recursion and a bounded number of open folder descriptors.
#pragma once

#include "platform/DirectoryReader.h"
#include "scan/FolderPrefetch.h"
#include "scan/PreviousFolder.h"
#include "scan/RescanTimes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillora {

class CScanReport;
class CVolumeScanner;
class IArchiveLister;
class SFileInfo;
class SVolumeInfo;
struct SScanOptions;

// What a walk needs of the scan it serves beyond the scanner's own calls.
struct SWalkScan {
    const SScanOptions& m_options;
    IArchiveLister* m_pLister = nullptr; // null: archives stay plain files
    bool m_bExtractsComments = false;    // a comment extractor is there
    // A re-scan: the case's copy of the medium, and whether unchanged files are kept
    // from it (see CVolumeScanner::SetPrevious).
    const SVolumeInfo* m_pPrevious = nullptr;
    bool m_bKeepUnchanged = false;
    CScanReport& m_report;
    std::atomic<std::uint64_t>& m_entries; // records appended so far
};

class CFolderWalk {
public:
    // The scanner posts progress, extracts comments and collects archive CRCs.
    CFolderWalk(CVolumeScanner& scanner, const SWalkScan& scan)
        : m_scanner(scanner), m_scan(scan) {}
    ~CFolderWalk();
    CFolderWalk(const CFolderWalk&) = delete;
    CFolderWalk& operator=(const CFolderWalk&) = delete;

    // Walks the folder at the Linux path `osPath` into `folder`, which lies `level`
    // folders below its medium (0 for the medium itself). Returns 0, or the errno
    // value that kept `folder` itself from being opened or listed to its end.
    // Everything below it that could not be read is counted in the scanner's report.
    int Run(SFileInfo& folder, const std::string& osPath, int level);

private:
    struct SSubfolder {
        SFileInfo* m_record = nullptr;
        const SFileInfo* m_previous = nullptr; // the folder at its path in the case's copy
        std::string m_osName;
        std::string m_relPath; // below the walk's first folder, when listing ahead
    };
    struct SFrame {
        SFileInfo* m_folder = nullptr;
        CPreviousFolder m_previous; // of a re-scan; empty otherwise
        int m_level = 0;
        // Open while the walk is below the folder; closed while the walk is far
        // deeper, to save descriptors, and reopened through its ancestors.
        int m_fd = -1;
        std::string m_osName;  // the name below the parent frame; a full path for the first
        std::string m_relPath; // below the first frame, when listing ahead; "" for the first
        // Subfolders found by the listing, entered one after another once the
        // listing is done, so that only one folder is being listed at a time.
        std::vector<SSubfolder> m_subfolders;
        std::size_t m_next = 0;
    };

    // Pushes the folder open at fd and lists it, or takes the entries of `listing`
    // when it was listed ahead; the listing's errno or 0.
    int Enter(SFileInfo& folder, const SFileInfo* previous, int level, int fd, std::string osName,
              std::string relPath = {}, CFolderPrefetch::SListing* listing = nullptr);
    // Names the frame's subfolders below the walk's first folder and asks for their
    // listings.
    void WantSubfolders(SFrame& frame);
    void Pop();
    // `head`: the entry's first bytes when they were read ahead.
    void Visit(SFrame& frame, const SDirEntry& entry, const CArchiveHead* head = nullptr);
    // The file-type codes whose files the archive lister reads the first bytes of.
    std::uint32_t HeadCodes() const;
    // `counted`: the file was counted as read already (its head was looked at).
    void AddFile(SFileInfo& record, const SDirEntry& entry, int dirFd, bool counted);
    // A re-scan's file that is as the case's copy `before` has it: appended from that
    // copy without reading its contents. False when it has to be read.
    bool KeepUnchanged(SFrame& frame, const SDirEntry& entry, const SFileInfo& before);
    void ReadCrc(SFileInfo& record, const SDirEntry& entry, int dirFd);
    // The descriptor of the innermost frame, reopened through its ancestors when it
    // was closed; -1 when it cannot be opened.
    int TopFd();
    static void CloseFd(SFrame& frame);
    void CountEntry();

    CVolumeScanner& m_scanner;
    SWalkScan m_scan;
    CDirectoryReader m_reader;
    std::unique_ptr<CFolderPrefetch> m_prefetch; // none on one core and on optical discs
    CFolderPrefetch::SListing m_listing;         // the last one taken, its buffers reused
    SDirEntry m_entry;                           // reused, so that names keep their buffers
    std::vector<SFrame> m_frames;
    std::uint64_t m_device = 0; // of the folder the walk started at
    bool m_fat = false;
    bool m_keepUnchanged = false; // a re-scan that takes unchanged files from the case
    TimeRule m_timeRule = TimeRule::Exact;
    bool m_dontSync = false;
    std::uint32_t m_headCodes = 0; // whose files' first bytes the archive lister reads
};

} // namespace quillora
