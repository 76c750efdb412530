// RAR adapter: RAR 1.5-4 headers carry local DOS date-times, RAR5 headers UTC times;
// stored sizes and attributes come from the headers themselves.
#include "scan/RarArchiver.h"
#include "scan/CLibArchive.h"

#include "scan/ArchiveHead.h"

namespace quillora {

CRarArchiver::CRarArchiver() : CLibarchiveArchiver(kArcIdRar, true, "libarchive", {"RAR"}) {}

void CRarArchiver::EnableFormats(archive* a) const {
    CLibArchive::Get().m_readSupportFormatRar(a);
    CLibArchive::Get().m_readSupportFormatRar5(a);
}

bool CRarArchiver::AcceptsFormat(archive* a) const {
    int base = CLibArchive::Get().m_format(a) & ARCHIVE_FORMAT_BASE_MASK;
    return base == ARCHIVE_FORMAT_RAR || base == ARCHIVE_FORMAT_RAR_V5;
}

void CRarArchiver::ReadSideFacts(int fd) {
    m_files.clear();
    m_nNext = 0;
    ReadRarHeaders(fd, m_files);
}

CLibarchiveArchiver::SEntryFacts CRarArchiver::FactsOf(archive* a, archive_entry* e, int) {
    SEntryFacts facts;
    facts.m_bDosTime =
        (CLibArchive::Get().m_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_RAR;
    if (m_nNext >= m_files.size()) {
        return facts;
    }
    const SRarFileFacts& file = m_files[m_nNext++];
    const bool folder = CLibArchive::Get().m_entryFiletype(e) == AE_IFDIR;
    // The headers and libarchive walk the same entries; when they disagree they have
    // lost step, and nothing more is taken from the headers.
    if (folder != file.m_bFolder ||
        (!folder && CLibArchive::Get().m_entrySizeIsSet(e) &&
         static_cast<std::uint64_t>(CLibArchive::Get().m_entrySize(e)) != file.m_nUnpacked)) {
        m_nNext = m_files.size();
        return facts;
    }
    facts.m_bHasPacked = true;
    facts.m_nPacked = file.m_nPacked;
    facts.m_bHasDosAttributes = file.m_bHasDosAttributes;
    facts.m_dwDosAttributes = file.m_dwDosAttributes;
    return facts;
}

bool CRarArchiver::MatchesHead(const CArchiveHead& head) const {
    return head.LooksLikeRar();
}

} // namespace quillora
