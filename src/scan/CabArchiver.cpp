// CAB adapter: cabinets store local DOS date-times.
#include "scan/CabArchiver.h"

#include <archive.h>

namespace quillora {

CCabArchiver::CCabArchiver() : CLibarchiveArchiver(kArcIdCab, false, "libarchive", {"CAB"}) {}

void CCabArchiver::EnableFormats(archive* a) const {
    archive_read_support_format_cab(a);
}

bool CCabArchiver::AcceptsFormat(archive* a) const {
    return (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_CAB;
}

CLibarchiveArchiver::SEntryFacts CCabArchiver::FactsOf(archive*, archive_entry*,
                                                       const std::string&) const {
    SEntryFacts facts;
    facts.m_bDosTime = true;
    return facts;
}

} // namespace quillora
