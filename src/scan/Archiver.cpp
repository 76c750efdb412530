// The adapter base: load counting, the kept listing and its walk; the families fill in
// how they load, list and extract.
#include "scan/Archiver.h"

#include "core/TraceLog.h"
#include "scan/ArchivePath.h"

#include <fnmatch.h>

namespace quillora {

CArcCrcChoice::CArcCrcChoice(const ArcEntryList& entries) {
    for (const std::string& entry : entries) {
        m_keys.insert(ArcMatchKey(entry));
    }
}

bool CArcCrcChoice::Wants(std::string_view listedName) const {
    return m_keys.empty() || m_keys.count(ArcMatchKey(listedName)) != 0;
}

CArchiver::CArchiver(int id, bool selfExtracting, std::string defaultName,
                     std::vector<std::string> extensions)
    : m_nId(id), m_bSelfExtracting(selfExtracting), m_strDefaultName(std::move(defaultName)),
      m_extensions(std::move(extensions)) {}

// Subclasses release what they hold in their own destructors; the base only forgets.
CArchiver::~CArchiver() = default;

bool CArchiver::Load(std::string_view name, std::string_view folder) {
    if (m_nLoadCount > 0) {
        ++m_nLoadCount;
        return false;
    }
    m_strRequestedName = name.empty() ? m_strDefaultName : std::string(name);
    m_strRequestedFolder = std::string(folder);
    std::string module;
    if (!LoadModule(m_strRequestedName, m_strRequestedFolder, module)) {
        return false;
    }
    m_strModuleFileName = module;
    m_nLoadCount = 1;
    return true;
}

void CArchiver::Unload() {
    if (m_nLoadCount <= 0) {
        return;
    }
    if (--m_nLoadCount == 0) {
        CloseArchive();
        UnloadModule();
        m_strModuleFileName.clear();
    }
}

bool CArchiver::Reload() {
    if (m_nLoadCount <= 0) {
        return false;
    }
    CloseArchive();
    UnloadModule();
    std::string module;
    if (!LoadModule(m_strRequestedName, m_strRequestedFolder, module)) {
        m_nLoadCount = 0;
        m_strModuleFileName.clear();
        return false;
    }
    m_strModuleFileName = module;
    return true;
}

bool CArchiver::IsLoaded() const {
    return m_nLoadCount > 0;
}

bool CArchiver::SupportsMode(int mode) const {
    return IsLoaded() && mode >= 0 && mode <= 3;
}

bool CArchiver::CanReadSelfExtracting() const {
    return m_bSelfExtracting;
}

int CArchiver::GetId() const {
    return m_nId;
}

bool CArchiver::Extract(const std::string&, const std::string&, const ArcEntryList&, bool) {
    SetLastError("archiver not loaded");
    return false;
}

std::uint32_t CArchiver::GetVersion() const {
    return 0;
}

int CArchiver::ConfigDialog(int) {
    return 0;
}

bool CArchiver::CheckArchive(const std::string& path) {
    if (!IsLoaded()) {
        return false;
    }
    std::vector<SArcListEntry> scratch;
    return ListArchive(path, scratch, nullptr);
}

bool CArchiver::MatchesHead(const CArchiveHead&) const {
    return true;
}

bool CArchiver::Open(const std::string& path, int mode) {
    return OpenArchive(path, mode);
}

bool CArchiver::OpenArchive(const std::string& path, int) {
    return OpenListing(path, nullptr);
}

bool CArchiver::OpenArchiveWithCrc(const std::string& path, const CArcCrcChoice& choice) {
    return OpenListing(path, &choice);
}

bool CArchiver::OpenListing(const std::string& path, const CArcCrcChoice* crc) {
    CloseArchive();
    if (!IsLoaded()) {
        SetLastError("archiver not loaded");
        return false;
    }
    std::vector<SArcListEntry> listing;
    if (!ListArchive(path, listing, crc)) {
        return false;
    }
    m_listing = std::move(listing);
    m_bOpen = true;
    return true;
}

void CArchiver::CloseArchive() {
    m_bOpen = false;
    m_listing.clear();
    m_nCursor = 0;
}

bool CArchiver::FindFirst(std::string_view wildcard, SArcListEntry& entry) {
    if (!m_bOpen) {
        return false;
    }
    m_strWildcard = wildcard == "*.*" ? std::string("*") : std::string(wildcard);
    m_nCursor = 0;
    return FindMatching(entry);
}

bool CArchiver::FindNext(SArcListEntry& entry) {
    return m_bOpen && FindMatching(entry);
}

bool CArchiver::FindMatching(SArcListEntry& entry) {
    while (m_nCursor < m_listing.size()) {
        const SArcListEntry& candidate = m_listing[m_nCursor++];
        if (m_strWildcard.empty() || m_strWildcard == "*" ||
            fnmatch(m_strWildcard.c_str(), std::string(candidate.Name()).c_str(), FNM_CASEFOLD) ==
                0) {
            entry = candidate;
            return true;
        }
    }
    return false;
}

bool CArchiver::LoadModule(const std::string&, const std::string&, std::string&) {
    SetLastError("no implementation of this archive family on this system");
    return false;
}

bool CArchiver::ListArchive(const std::string&, std::vector<SArcListEntry>&, const CArcCrcChoice*) {
    SetLastError("archiver not loaded");
    return false;
}

void CArchiver::AddListed(std::vector<SArcListEntry>& out, SArcListEntry& entry,
                          std::string_view name) {
    if (!entry.SetName(name)) {
        LogFormat("archive entry skipped, its name holds a NUL byte: %.80s",
                  std::string(name).c_str());
        return;
    }
    if (SArcListEntry::ExceedsClassicField(name)) {
        LogFormat("archive entry name of %zu bytes kept whole: %.80s...", name.size(),
                  std::string(name).c_str());
    }
    out.push_back(entry);
}

} // namespace quillora
