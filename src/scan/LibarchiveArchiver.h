// Adapter families read by libarchive (LHA, ZIP, TAR and its compressed forms, CAB,
// RAR and RAR5): the listing and the guarded extraction they share.
#pragma once

#include "scan/Archiver.h"

#include <cstdint>
#include <filesystem>
#include <string>

struct archive;
struct archive_entry;

namespace quillora {

class CLibarchiveArchiver : public CArchiver {
public:
    using CArchiver::CArchiver;
    ~CLibarchiveArchiver() override;

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
    };

    bool LoadModule(const std::string& name, const std::string& folder,
                    std::string& moduleFileName) override;
    bool ListArchive(const std::string& path, std::vector<SArcListEntry>& out) override;

    // The formats (and filters) this family reads.
    virtual void EnableFormats(archive* a) const = 0;
    // After the first header: whether the detected format belongs to this family.
    virtual bool AcceptsFormat(archive* a) const;
    // Whether folder entries are listed (ZIP and RAR leave them out).
    virtual bool ListsFolders() const { return true; }
    virtual SEntryFacts FactsOf(archive* a, archive_entry* e, const std::string& path) const;
    // Reader options for a second attempt when the first, which keeps the name bytes
    // as stored, fails (LHA level 0 cannot take CP932 names that way); null for none.
    virtual const char* RetryOptions() const { return nullptr; }

private:
    bool ListWith(const std::string& path, const char* options, std::vector<SArcListEntry>& out);
    bool ExtractWith(const std::string& archivePath, const std::filesystem::path& dest,
                     const ArcEntryList& entries, bool withFolders, const char* options);
    // The entry's name as UTF-8 (see DecodeArcName); for a single compressed file
    // without a container, the archive's name without its compression ending.
    std::string EntryName(archive* a, archive_entry* e, const std::string& path) const;
    bool FillEntry(archive* a, archive_entry* e, const std::string& path, SArcListEntry& rec);

    bool m_bArchiveFailed = false; // the last extraction attempt failed as a whole
};

// libarchive reads and converts names by the current LC_CTYPE; names are handled as
// UTF-8 everywhere, so a process still in the "C" locale is switched to C.UTF-8 once.
void EnsureUtf8Ctype();

} // namespace quillora
