// The archiver adapter: one object per archive family, all with the same operations,
// so the scanner lists archives and extracts entries without knowing who does the work.
#pragma once

#include "scan/ArcListEntry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quillora {

class CArchiveHead;

// Adapter ids.
inline constexpr int kArcIdZipSelector = 0;
inline constexpr int kArcIdCab = 1;
inline constexpr int kArcIdIsh = 2;
inline constexpr int kArcIdTar = 3;
inline constexpr int kArcIdArj = 4;
inline constexpr int kArcIdLha = 5;
inline constexpr int kArcIdRar = 6;
inline constexpr int kArcIdZip = 10;
inline constexpr int kArcIdGca = 11;

// Entries to extract: paths as the archive lists them ("\" or "/" separators).
using ArcEntryList = std::vector<std::string>;

// Which entries' data a listing reads for their CRC-32: every file, or those named
// (matched as ArcMatchKey matches them).
class CArcCrcChoice {
public:
    // Every file when `entries` is empty.
    explicit CArcCrcChoice(const ArcEntryList& entries = {});
    bool Wants(std::string_view listedName) const;

private:
    std::unordered_set<std::string> m_keys;
};

class CArchiver {
public:
    CArchiver(int id, bool selfExtracting, std::string defaultName,
              std::vector<std::string> extensions);
    virtual ~CArchiver();
    CArchiver(const CArchiver&) = delete;
    CArchiver& operator=(const CArchiver&) = delete;

    // True when the implementation was loaded now. A loaded adapter only counts the
    // call up and answers false. An empty name means the adapter's default name
    // ("libarchive" for the families libarchive reads, "arj" for ARJ); a folder, when
    // given, is where the implementation is looked for.
    virtual bool Load(std::string_view name = {}, std::string_view folder = {});
    // Counts one Load down; the implementation is let go when the count reaches 0.
    virtual void Unload();
    // Lets the implementation go and takes it up again (after a fault); load count kept.
    virtual bool Reload();
    virtual bool IsLoaded() const;
    // Modes 0-3 (mode 2: extracting named entries) when loaded.
    virtual bool SupportsMode(int mode) const;
    virtual bool CanReadSelfExtracting() const;
    virtual int GetId() const;
    // Extracts the listed entries (all when `entries` is empty) below `destFolder`,
    // with their stored folders or flat. Never writes outside `destFolder`: see
    // ExtractedPath (scan/ArchivePath.h) for where each entry lands. True when every
    // chosen entry was extracted.
    virtual bool Extract(const std::string& archivePath, const std::string& destFolder,
                         const ArcEntryList& entries, bool withFolders);
    // Version packed as major << 24 | minor << 16 | patch << 8; 0 when unknown.
    virtual std::uint32_t GetVersion() const;
    // No implementation here has a configuration dialog: always 0.
    virtual int ConfigDialog(int mode);
    // True when the file is an archive this adapter reads whole.
    virtual bool CheckArchive(const std::string& path);
    // Whether the first bytes of a file are those of this family's archives (its
    // magic); the base, which knows no magic, answers true. A self-extracting .EXE is
    // judged by CArchiveHead::HasDataPastImage instead.
    virtual bool MatchesHead(const CArchiveHead& head) const;
    virtual bool Open(const std::string& path, int mode);
    // Lists the archive and keeps the listing until CloseArchive; true when it opened.
    virtual bool OpenArchive(const std::string& path, int mode);
    // OpenArchive, reading the data of the files `choice` wants in the same pass: their
    // listing records carry the CRC-32 (m_bHasCrc). An entry whose data fails to read
    // (a CRC or data error) is listed without a CRC and LastError names it.
    virtual bool OpenArchiveWithCrc(const std::string& path, const CArcCrcChoice& choice);
    virtual void CloseArchive();
    // Entries of the open archive whose name matches the wildcard ("*" and "*.*" match
    // every name); true and the record filled when one was found.
    virtual bool FindFirst(std::string_view wildcard, SArcListEntry& entry);
    virtual bool FindNext(SArcListEntry& entry);

    int LoadCount() const { return m_nLoadCount; }
    const std::string& RequestedName() const { return m_strRequestedName; }
    const std::string& RequestedFolder() const { return m_strRequestedFolder; }
    // Where the implementation was found (libarchive's shared object, the arj program).
    const std::string& ModuleFileName() const { return m_strModuleFileName; }
    const std::vector<std::string>& Extensions() const { return m_extensions; }
    const std::string& DefaultName() const { return m_strDefaultName; }
    // The reason of the last failure, for the log and for messages.
    virtual const std::string& LastError() const { return m_strLastError; }

protected:
    // Takes up the implementation; fills `moduleFileName`. The base has none.
    virtual bool LoadModule(const std::string& name, const std::string& folder,
                            std::string& moduleFileName);
    virtual void UnloadModule() {}
    // Fills `out` with the whole listing of `path`, with the CRC-32 of the files `crc`
    // wants (none when null); the base lists nothing.
    virtual bool ListArchive(const std::string& path, std::vector<SArcListEntry>& out,
                             const CArcCrcChoice* crc);

    void SetLastError(std::string text) { m_strLastError = std::move(text); }
    // Adds an entry to a listing under `name` (a name holding a NUL byte is left out,
    // a name beyond the classic record's field is kept whole; both are logged).
    static void AddListed(std::vector<SArcListEntry>& out, SArcListEntry& entry,
                          std::string_view name);

private:
    bool FindMatching(SArcListEntry& entry);
    bool OpenListing(const std::string& path, const CArcCrcChoice* crc);

    int m_nId;
    bool m_bSelfExtracting;
    std::string m_strDefaultName;
    std::vector<std::string> m_extensions;
    int m_nLoadCount = 0;
    std::string m_strRequestedName;
    std::string m_strRequestedFolder;
    std::string m_strModuleFileName;
    std::string m_strLastError;
    bool m_bOpen = false;
    std::vector<SArcListEntry> m_listing;
    std::size_t m_nCursor = 0;
    std::string m_strWildcard;
};

} // namespace quillora
