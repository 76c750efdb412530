// RAR adapter: RAR 1.5-4 headers carry local DOS date-times, RAR5 headers UTC times.
#include "scan/RarArchiver.h"

#include <archive.h>

namespace quillora {

CRarArchiver::CRarArchiver() : CLibarchiveArchiver(kArcIdRar, true, "libarchive", {"RAR"}) {}

void CRarArchiver::EnableFormats(archive* a) const {
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
}

bool CRarArchiver::AcceptsFormat(archive* a) const {
    int base = archive_format(a) & ARCHIVE_FORMAT_BASE_MASK;
    return base == ARCHIVE_FORMAT_RAR || base == ARCHIVE_FORMAT_RAR_V5;
}

CLibarchiveArchiver::SEntryFacts CRarArchiver::FactsOf(archive* a, archive_entry*,
                                                       const std::string&) const {
    SEntryFacts facts;
    facts.m_bDosTime = (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_RAR;
    return facts;
}

} // namespace quillora
