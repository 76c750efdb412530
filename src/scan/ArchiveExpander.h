// Archive expansion: archives met during a scan become archive nodes whose subtree
// mirrors the archive's listing; chosen entries are extracted to the work folder for
// their CRC-32, their comments or their stored contents, and removed again.
#pragma once

#include "model/StoredContents.h"
#include "scan/Archiver.h"
#include "scan/IArchiveLister.h"
#include "scan/VolumeScanner.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillora {

class CArchiverSet;
class ICommentExtractor;
class IScanProgress;
class SFileInfo;
struct SDirEntry;

// The name of the folders that stand for leading "../" of listed paths.
inline constexpr const char* kParentPlaceholderName = "Parent";

// One expander serves one thread at a time (the scan's, or the UI's when no scan
// runs). Which families are listed and extracted and the work folder are the archive
// options last set (SetArchiveOptions, or those of the scan BeginScan begins); the
// scan's own options, progress sink and stop token arrive with each scan.
// The archiver set and the hooks must outlive the expander.
class CArchiveExpander : public IArchiveLister, public IArchiveEntryExtractor {
public:
    explicit CArchiveExpander(CArchiverSet& archivers);

    // Where progress goes (codes 1 to 4); null for none. BeginScan sets it too.
    void SetProgress(IScanProgress* progress) { m_progress = progress; }
    // The text extraction for comments; null: no comments are extracted.
    void SetCommentExtractor(ICommentExtractor* extractor) { m_extractor = extractor; }
    // Which entries a comment is extracted for (those whose file type has an
    // extractor); unset means every file.
    void SetCommentFilter(std::function<bool(const SFileInfo&)> filter) {
        m_filter = std::move(filter);
    }
    // The scan's options for the archive file itself, which is registered as a plain
    // file first ("AutoComment" and "AddVolCRC" apply to it), and "AddVolArcCRC",
    // which has the entries' CRC-32 read while listing. None are on until set here or
    // by BeginScan.
    void SetScanOptions(const SScanOptions& options) { m_options = options; }
    // The families and the work folder for what follows; a scan's BeginScan sets them
    // to the scan's own.
    void SetArchiveOptions(const SArchiveOptions& options) { m_options.m_archives = options; }
    const SArchiveOptions& ArchiveOptions() const { return m_options.m_archives; }

    // --- IArchiveLister ---

    void BeginScan(const SScanOptions& options, IScanProgress* progress,
                   std::stop_token stop) override;
    void EndScan() override;

    // Applies the archive dispatch to a file of `folder` with file-type code `code`
    // (4-16 or 22) and lists it with the adapter of its family (for an .EXE: LHA, GCA,
    // RAR, then ZIP, each under its own option, the first that lists it wins). A file
    // is handed to an adapter only when one read of its first bytes shows the family's
    // magic (for an .EXE: data past the program image). The archive node appended to
    // the folder, or null.
    bool ReadsHeadOf(std::uint16_t code) override;
    SFileInfo* ListArchive(SFileInfo& folder, const SDirEntry& entry, std::uint16_t code,
                           const CArchiveHead* head) override;
    bool TryListArchive(SFileInfo& folder, const SDirEntry& entry, std::uint16_t code,
                        const CArchiveHead* head) override;
    // Reads the entry's data from the archive for its CRC-32; 0 when it cannot be read.
    std::uint32_t ArchiveEntryCrc(const SFileInfo& entry) override;
    // One pass over the archive for every file at or below `record`; an archive node
    // whose entries got their CRC-32 while it was listed in this scan is not read again.
    bool CollectArchiveCrcs(SFileInfo& record, bool recurse) override;
    // Extracts, in one batch, every file at or (with recurse) below `record` whose
    // text slot is empty (or overwrite), runs the comment extraction on each and
    // removes them again. Nothing when the record's own slot already holds text and
    // overwrite is off. False only when stopped through `stop`.
    bool ExtractArchiveComments(SFileInfo& record, int slot, bool overwrite, bool recurse,
                                const std::stop_token& stop) override;

    // --- IArchiveEntryExtractor (stored contents loaded from inside an archive) ---

    bool ExtractEntry(const SFileInfo& archive, const std::string& archiveOsPath,
                      const std::string& pathInArchive, const std::string& folder,
                      std::string* extractedPath, std::string* error) override;

    // --- The steps, for callers and tests ---

    // Lists the archive file `entry` of `folder` with `adapter` into a new archive
    // node of type `arcType` appended to the folder. False (folder unchanged) when the
    // adapter is not loaded or the file is no archive it can read.
    bool ExtractArc(CArchiver& adapter, SFileInfo& folder, const SDirEntry& entry,
                    std::uint16_t arcType);

    // The adapter for an archive type (1-8) when the family's option ("All" or its
    // own key) allows it; null otherwise.
    CArchiver* AdapterForType(std::uint16_t arcType);

    // The archivers an .EXE is tried with, in order, when the self-extractor keys are
    // on; empty otherwise.
    std::vector<std::pair<CArchiver*, std::uint16_t>> SelfExtractorCandidates();

    // Extracts the entries `entries` (all when empty) of the archive node `archive`
    // below `workFolder` (made when missing, one level). For ZIP, named entries only
    // when the chosen ZIP reader can extract single entries. True on success; false
    // with *error (when given) naming the file and the cause.
    bool ExtractEntries(const SFileInfo& archive, const std::string& workFolder,
                        const ArcEntryList& entries, bool withFolders,
                        std::string* error = nullptr);

    // The path of a record inside its archive as the archive lists it ("\" separated,
    // leading parent references in front, "Parent" folders left out); empty for the
    // archive node itself and records outside archives.
    static std::string PathInArchive(const SFileInfo& record);
    // The archive node holding the record (the record itself when it is one); null
    // when it lies in no archive.
    static SFileInfo* EnclosingArchive(const SFileInfo& record);

    // Deletes the extracted file of `pathInArchive` below `workFolder`, then the
    // folders of the path from the deepest up, stopping at the first that cannot be
    // removed. True when the file was deleted.
    static bool RemoveExtracted(const std::string& workFolder, const std::string& pathInArchive);

    // Whether `levels` more levels of records below `folder` still make a tree that
    // case files can hold (their readers refuse deeper nesting). Archives that would
    // nest deeper are kept as plain files, so a scan never makes an unreadable case.
    static bool FitsInCase(const SFileInfo& folder, std::size_t levels);

    // The configured work folder with a trailing "/" (the temporary folder, stored as
    // the configured one, when none is set).
    std::string WorkFolder() const;

private:
    struct SPlacement;

    bool FamilyAllowed(std::uint16_t arcType) const;
    void RegisterArchiveFile(SFileInfo& node, const std::string& archivePath);
    // ExtractArc's work: the node appended, or null.
    SFileInfo* ListWith(CArchiver& adapter, SFileInfo& folder, const SDirEntry& entry,
                        std::uint16_t arcType);
    void PlaceEntry(SPlacement& place, const SArcListEntry& listed);
    void Post(int code, const SFileInfo* record);
    // Reads the CRC-32 of the entries at `paths` (paths inside `archive`) in one pass:
    // match key (ArcMatchKey) -> CRC of each whose data could be read.
    std::unordered_map<std::string, std::uint32_t> ReadCrcs(const SFileInfo& archive,
                                                            const ArcEntryList& paths);

    CArchiverSet& m_archivers;
    IScanProgress* m_progress = nullptr;
    ICommentExtractor* m_extractor = nullptr;
    std::function<bool(const SFileInfo&)> m_filter;
    SScanOptions m_options;
    std::stop_token m_stop; // the running scan's
    // The archive node whose entries got their CRC-32 in the listing pass; the scan's
    // CRC collection that follows takes them as they are.
    const SFileInfo* m_pCrcListed = nullptr;
};

} // namespace quillora
