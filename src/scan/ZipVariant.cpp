// ZIP over libarchive: local DOS date-times as stored.
#include "scan/ZipVariant.h"

#include <archive.h>

namespace quillora {

CZipVariant::CZipVariant() : CLibarchiveArchiver(kArcIdZip, true, "libarchive", {"ZIP"}) {}

void CZipVariant::EnableFormats(archive* a) const {
    // The seekable reader works from the central directory, so it finds a ZIP behind
    // a self-extractor's program code; names and sizes there are the authoritative ones.
    archive_read_support_format_zip_seekable(a);
}

bool CZipVariant::AcceptsFormat(archive* a) const {
    return (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
}

CLibarchiveArchiver::SEntryFacts CZipVariant::FactsOf(archive*, archive_entry*,
                                                      const std::string&) const {
    SEntryFacts facts;
    facts.m_bDosTime = true;
    return facts;
}

} // namespace quillora
