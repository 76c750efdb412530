// ZIP over libarchive: local DOS date-times as stored.
#include "scan/ZipVariant.h"

#include "scan/ZipDirectory.h"

#include <archive.h>
#include <archive_entry.h>

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

bool CZipVariant::ListArchive(const std::string& path, std::vector<SArcListEntry>& out) {
    m_packed.clear();
    ReadZipPackedSizes(path, m_packed);
    bool ok = CLibarchiveArchiver::ListArchive(path, out);
    m_packed.clear();
    return ok;
}

CLibarchiveArchiver::SEntryFacts CZipVariant::FactsOf(archive*, archive_entry* e,
                                                      const std::string&) const {
    SEntryFacts facts;
    facts.m_bDosTime = true;
    const char* raw = archive_entry_pathname(e);
    auto it = raw ? m_packed.find(raw) : m_packed.end();
    if (it != m_packed.end()) {
        facts.m_bHasPacked = true;
        facts.m_nPacked = it->second;
    }
    return facts;
}

} // namespace quillora
