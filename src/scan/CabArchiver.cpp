// CAB adapter: cabinets store local DOS date-times; attributes and compressed sizes come
// from the cabinet's own tables.
#include "scan/CabArchiver.h"
#include "scan/CLibArchive.h"

#include "scan/ArchiveHead.h"

namespace quillora {

CCabArchiver::CCabArchiver() : CLibarchiveArchiver(kArcIdCab, false, "libarchive", {"CAB"}) {}

void CCabArchiver::EnableFormats(archive* a) const {
    CLibArchive::Get().m_readSupportFormatCab(a);
}

bool CCabArchiver::AcceptsFormat(archive* a) const {
    return (CLibArchive::Get().m_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_CAB;
}

void CCabArchiver::ReadSideFacts(int fd) {
    m_files.clear();
    m_nNext = 0;
    ReadCabDirectory(fd, m_files);
}

CLibarchiveArchiver::SEntryFacts CCabArchiver::FactsOf(archive*, archive_entry* e, int) {
    SEntryFacts facts;
    facts.m_bDosTime = true;
    if (m_nNext >= m_files.size()) {
        return facts;
    }
    const SCabFileFacts& file = m_files[m_nNext++];
    // The table and libarchive walk the same files; a size that differs means they
    // have lost step, and nothing is taken from the table.
    if (CLibArchive::Get().m_entrySizeIsSet(e) &&
        static_cast<std::uint64_t>(CLibArchive::Get().m_entrySize(e)) != file.m_nSize) {
        m_nNext = m_files.size();
        return facts;
    }
    facts.m_bHasPacked = true;
    facts.m_nPacked = file.m_nPacked;
    facts.m_bHasDosAttributes = true;
    facts.m_dwDosAttributes = file.m_dwAttributes;
    return facts;
}

bool CCabArchiver::MatchesHead(const CArchiveHead& head) const {
    return head.LooksLikeCab();
}

} // namespace quillora
