// TAR adapter over libarchive: POSIX times, members stored whole.
#include "scan/TarArchiver.h"

#include <archive.h>
#include <archive_entry.h>

namespace quillora {

CTarArchiver::CTarArchiver()
    : CLibarchiveArchiver(kArcIdTar, false, "libarchive", {"TAR", "TGZ", "TAZ", "GZ", "Z"}) {}

void CTarArchiver::EnableFormats(archive* a) const {
    archive_read_support_format_tar(a);
    archive_read_support_format_raw(a);
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_compress(a);
}

bool CTarArchiver::AcceptsFormat(archive* a) const {
    // The raw reader takes any bytes; only a decompressed stream counts as a member.
    int format = archive_format(a);
    if (format == ARCHIVE_FORMAT_RAW) {
        return archive_filter_count(a) > 1;
    }
    return (format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_TAR;
}

CLibarchiveArchiver::SEntryFacts CTarArchiver::FactsOf(archive* a, archive_entry* e,
                                                       const std::string&) const {
    SEntryFacts facts;
    if (archive_format(a) != ARCHIVE_FORMAT_RAW && archive_entry_size_is_set(e) &&
        archive_entry_size(e) > 0 && archive_entry_hardlink(e) == nullptr) {
        facts.m_bHasPacked = true;
        facts.m_nPacked = static_cast<std::uint64_t>(archive_entry_size(e));
    }
    return facts;
}

} // namespace quillora
