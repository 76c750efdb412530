// The volume scanner: turns a mount point or a folder into one medium record with
// its whole file tree, optionally with CRC-32 values, archive listings and comments.
#pragma once

#include "model/CaseSchema.h"
#include "scan/ArchiveOptions.h"
#include "scan/MediumChanges.h"
#include "scan/ScanReport.h"

#include <atomic>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace quillora {

class IArchiveLister;
class ICommentExtractor;
class IScanProgress;
class SFileInfo;
class SVolumeInfo;
struct SVolumeFacts;

// The options of one scan, filled by whoever starts it (from the configuration store's
// sections and keys, or from the command line).
struct SScanOptions {
    bool m_autoComment = false;     // OptionView "AutoComment": comment of every plain file
    bool m_meltAutoComment = false; // OptionView "MeltAutoComment": comments of archive entries
    bool m_addVolCrc = false;       // OptionMelt "AddVolCRC": CRC-32 of every plain file
    bool m_addVolArcCrc = false;    // OptionMelt "AddVolArcCRC": CRC-32 of archive entries
    // A folder on a pseudo file system (proc, sysfs, ...) is scanned only when asked
    // (TobConfig.txt "Main.Option.MediaAdd.PseudoFileSystems", or the command line).
    bool m_scanPseudoFileSystems = false;
    // What the archive lister lists and where it extracts, for this scan.
    SArchiveOptions m_archives;
};

// One scanner per scan, used on the scanning thread. The hooks it is given (progress,
// archive lister, comment extractor) must outlive the calls; each may be null. The
// scan stops when `stop` is asked to: each scan has its own, so that a cancel never
// reaches another scan running at the same time; a token without a source never stops.
class CVolumeScanner {
public:
    explicit CVolumeScanner(const SScanOptions& options = {}, std::stop_token stop = {});

    void SetProgress(IScanProgress* progress) { m_progress = progress; }
    void SetArchiveLister(IArchiveLister* lister) { m_lister = lister; }
    void SetCommentExtractor(ICommentExtractor* extractor) { m_extractor = extractor; }

    // Makes AddVolume a re-scan of `previous`, the copy of the medium the case holds
    // (null: a plain scan). With keepUnchanged a file whose size and last-write time
    // are those of the record at its path (times compared as the medium's file system
    // needs, see CompareWriteTimes) is not read: it keeps the record's CRC, comment and
    // property set, and a listed archive its entries; only a missing CRC is read when
    // CRCs are asked for. Without keepUnchanged every file is read as in a plain scan.
    // Either way Changes() lists what differs afterwards. `previous` must outlive the
    // scan and stay unchanged while it runs.
    void SetPrevious(const SVolumeInfo* previous, bool keepUnchanged = true) {
        m_previous = previous;
        m_keepUnchanged = keepUnchanged;
    }

    // The whole scan of the folder or mount point at the Linux path `osPath` into
    // `volume`, a new medium record without children: its own fields, its tree,
    // sizes and capacity; label and comment replace the proposed ones when given.
    // After a stop the record is partial and the caller discards it. What could not be read is in
    // Report(); when Report().RootFailed() the scan failed (the folder itself could
    // not be read, or it lies on a pseudo file system not asked for) and the record
    // must not be used either.
    void AddVolume(SVolumeInfo& volume, const std::string& osPath, const std::string* label,
                   const std::string* comment);

    // What the last AddVolume (or ReadFolder, CollectCRC) could not read. Read it
    // on the scanning thread, or after the scan has finished.
    const CScanReport& Report() const { return m_report; }

    // What the last completed re-scan found changed (see SetPrevious); empty after a
    // plain or cancelled scan. Its records are those of the scanned medium and of the
    // previous one.
    const CMediumChanges& Changes() const { return m_changes; }

    // Fills the medium's own fields from the file system holding `osPath`: kind,
    // root (the mount point), name (the folder below it, "\" separated), serial,
    // file-system name, original label and label ("Unkown" when the volume cannot
    // be read), comment, presence and location. A network medium is named by its
    // network path and its root is the local folder it is reachable at.
    static void SetVolumeInfo(SVolumeInfo& volume, const std::string& osPath,
                              const std::string* label, const std::string* comment);

    // The part of SetVolumeInfo after the probe: the medium's fields from the facts
    // of the file system holding `realPath` (a path without links), or from none
    // when the volume could not be read. Network paths are upper-cased in their
    // server part, and in their share part for SMB, whose share names ignore case.
    static void ApplyVolumeFacts(SVolumeInfo& volume, const std::string& realPath,
                                 const SVolumeFacts* facts, const std::string* label,
                                 const std::string* comment);

    // Reads the folder (a medium or a folder record of one) from disk and appends
    // one record per entry, descending into subfolders. Returns at once when the
    // scan is cancelled. Symbolic links are recorded, never followed; a folder that
    // cannot be read stays empty, and so does a mount point of another file system
    // (its record gets the reparse-point attribute); folders kMaxScanLevel below the
    // medium are recorded without contents, so that no case file nests deeper than a
    // reader accepts. Each of these is counted in Report(). Uses no machine-stack
    // recursion. Returns 0, or the errno value that kept `folder` itself from being
    // read (nothing below it was read then).
    int ReadFolder(SFileInfo& folder);

    // Collects the CRC-32 of the record's file (not for folders) and, with recurse,
    // of every record below it. True when a non-zero CRC was obtained for any of
    // them. False at once when the scan is cancelled.
    bool CollectCRC(SFileInfo& record, bool recurse);

    // Fills text slot 0 (comment) or 1 (category) through the comment extractor,
    // when overwrite is set or the slot is empty; with recurse also below. False
    // only when stopped by the scan's stop token (looked at when checkCancel is set).
    bool ExtractComment(SFileInfo& record, int slot, bool overwrite, bool recurse,
                        bool checkCancel);

    // Capacity fields: a whole-volume medium takes total and free bytes from its
    // file system; a folder medium keeps its content size as total and unknown free
    // bytes. Nothing is asked when the medium is not present.
    static void UpdateDiskSpace(SVolumeInfo& volume);

    // Passes progress to the sink, when there is one.
    void PostScanProgress(int code, const SFileInfo* record);

    // Records appended so far by this scanner (files, folders, archive nodes); may be
    // read from any thread while the scan runs.
    std::uint64_t EntriesSoFar() const { return m_entries.load(std::memory_order_relaxed); }

    // The CRC-32 of the regular file `name` in the folder open at dirFd (AT_FDCWD for
    // a path), over at most the size the file reports (a file of /proc says 0 and
    // may be endless). 0 when it is not a regular file (links are not followed;
    // FIFOs, sockets and devices are never opened), cannot be opened or cannot be
    // read to that size.
    static std::uint32_t FileCrc32(int dirFd, const char* name);

    // The same over at most `limit` bytes (the size the listing saw) into `crc`.
    // Returns 0, the errno value of a failed open or read (crc is then 0), or
    // ECANCELED when `stop` was asked meanwhile. Not a regular file: 0, crc 0.
    static int ReadCrc32(int dirFd, const char* name, std::uint64_t limit, std::uint32_t& crc,
                         const std::stop_token& stop = {});

    // Whether the scan has been asked to stop.
    bool StopRequested() const { return m_stop.stop_requested(); }
    const std::stop_token& StopToken() const { return m_stop; }

    // Folders this many levels below their medium are recorded without contents.
    static constexpr int kMaxScanLevel = kMaxTreeDepth - 64;

    // Sets the record's CRC-32 and the flag that says one is stored; 0 stands for none.
    static void SetCrc(SFileInfo& record, std::uint32_t crc);

private:
    // SetVolumeInfo's work; the Linux type of the file system holding the path.
    static std::string ApplyVolumeInfo(SVolumeInfo& volume, const std::string& osPath,
                                       const std::string* label, const std::string* comment);

    SScanOptions m_options;
    std::stop_token m_stop;
    CScanReport m_report;
    IScanProgress* m_progress = nullptr;
    IArchiveLister* m_lister = nullptr;
    ICommentExtractor* m_extractor = nullptr;
    const SVolumeInfo* m_previous = nullptr;
    bool m_keepUnchanged = true;
    CMediumChanges m_changes;
    std::atomic<std::uint64_t> m_entries{0};
};

} // namespace quillora
