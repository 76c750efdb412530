// Adapter families read by libarchive (LHA, ZIP, TAR and its compressed forms, CAB,
// RAR and RAR5): the listing, the CRC-32 read while listing, and the extraction they
// share.
#pragma once

#include "scan/Archiver.h"

#include <cstdint>
#include <string>

struct archive;
struct archive_entry;

namespace quillora {

class CExtractTarget;
struct SExtractedParts;

class CLibarchiveArchiver : public CArchiver {
public:
    using CArchiver::CArchiver;
    ~CLibarchiveArchiver() override;

    // Extracts through CExtractTarget: nothing below the destination is followed, each
    // file arrives whole under its name or not at all, with its stored modification
    // time and permission bits (less the umask, always owner-readable). Any data error
    // (a CRC mismatch, a damaged or cut stream) or failed write fails the extraction
    // at once; LastError names the member and the cause.
    bool Extract(const std::string& archivePath, const std::string& destFolder,
                 const ArcEntryList& entries, bool withFolders) override;
    // libarchive's own version, packed as major << 24 | minor << 16 | patch << 8.
    std::uint32_t GetVersion() const override;

protected:
    // What a family knows about one entry beyond what libarchive reports.
    struct SEntryFacts {
        bool m_bDosTime = false;   // the format stores local DOS date-times
        bool m_bHasPacked = false; // m_nPacked holds the entry's stored size
        std::uint64_t m_nPacked = 0;
        bool m_bHasDosAttributes = false; // m_dwDosAttributes holds R, H, S, D, A bits
        std::uint32_t m_dwDosAttributes = 0;
    };

    bool LoadModule(const std::string& name, const std::string& folder,
                    std::string& moduleFileName) override;
    bool ListArchive(const std::string& path, std::vector<SArcListEntry>& out,
                     const CArcCrcChoice* crc) override;

    // The formats (and filters) this family reads.
    virtual void EnableFormats(archive* a) const = 0;
    // After the first header: whether the detected format belongs to this family.
    virtual bool AcceptsFormat(archive* a) const;
    // Whether folder entries are listed (ZIP and RAR leave them out).
    virtual bool ListsFolders() const { return true; }
    // Once per listing, before the first entry: what the family reads from the archive
    // file (open at `fd`) beside libarchive, such as a central directory.
    virtual void ReadSideFacts(int fd);
    // The facts of the entry libarchive has just read; called for every entry in
    // order, folders included.
    virtual SEntryFacts FactsOf(archive* a, archive_entry* e, int fd);
    // Reader options for a second attempt when the first, which keeps the name bytes
    // as stored, fails (LHA level 0 cannot take CP932 names that way); null for none.
    virtual const char* RetryOptions() const { return nullptr; }

private:
    struct SListing;

    bool ListWith(const std::string& path, const char* options, const CArcCrcChoice* crc,
                  SListing& listing);
    bool ExtractWith(const std::string& archivePath, CExtractTarget& target,
                     const ArcEntryList& entries, bool withFolders, const char* options);
    bool ExtractFile(archive* in, archive_entry* e, const std::string& archivePath,
                     const std::string& name, CExtractTarget& target, const SExtractedParts& parts);
    // The entry's name as UTF-8 (see DecodeArcName); for a single compressed file
    // without a container, the archive's name without its compression ending.
    std::string EntryName(archive* a, archive_entry* e, const std::string& path) const;
    void FillEntry(archive_entry* e, const SEntryFacts& facts, SArcListEntry& rec) const;

    bool m_bArchiveFailed = false; // the last extraction attempt failed as a whole
};

// libarchive reads and converts names by the current LC_CTYPE; names are handled as
// UTF-8 everywhere, so a process still in the "C" locale is switched to C.UTF-8 once.
void EnsureUtf8Ctype();

} // namespace quillora
