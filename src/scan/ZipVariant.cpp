// ZIP over libarchive: local DOS date-times as stored.
#include "scan/ZipVariant.h"
#include "scan/CLibArchive.h"

#include "scan/ArchiveHead.h"
#include "scan/ZipDirectory.h"

namespace quillora {

CZipVariant::CZipVariant() : CLibarchiveArchiver(kArcIdZip, true, "libarchive", {"ZIP"}) {}

void CZipVariant::EnableFormats(archive* a) const {
    // The seekable reader works from the central directory, so it finds a ZIP behind
    // a self-extractor's program code; names and sizes there are the authoritative ones.
    CLibArchive::Get().m_readSupportFormatZipSeekable(a);
}

bool CZipVariant::AcceptsFormat(archive* a) const {
    return (CLibArchive::Get().m_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
}

void CZipVariant::ReadSideFacts(int fd) {
    m_members.clear();
    ReadZipDirectory(fd, m_members);
}

CLibarchiveArchiver::SEntryFacts CZipVariant::FactsOf(archive*, archive_entry* e, int) {
    SEntryFacts facts;
    facts.m_bDosTime = true;
    const char* raw = CLibArchive::Get().m_entryPathname(e);
    auto it = raw ? m_members.find(raw) : m_members.end();
    if (it != m_members.end()) {
        facts.m_bHasPacked = true;
        facts.m_nPacked = it->second.m_nPacked;
        facts.m_bHasDosAttributes = it->second.m_bHasDosAttributes;
        facts.m_dwDosAttributes = it->second.m_dwDosAttributes;
    }
    return facts;
}

bool CZipVariant::MatchesHead(const CArchiveHead& head) const {
    return head.LooksLikeZip();
}

} // namespace quillora
