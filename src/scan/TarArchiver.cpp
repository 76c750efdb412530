// TAR adapter over libarchive: POSIX times, members stored whole.
#include "scan/TarArchiver.h"
#include "scan/CLibArchive.h"

#include "scan/ArchiveBytes.h"
#include "scan/ArchiveHead.h"

#include <algorithm>
#include <sys/stat.h>

namespace quillora {

namespace {

// The compressed bytes of a bare .gz or .Z file: the file less its header (gzip: ten
// bytes and the optional extra field, name, comment and header CRC) and, for gzip,
// the eight-byte trailer.
bool RawPackedSize(int fd, int filter, std::uint64_t& packed) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return false;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t overhead = 0;
    if (filter == ARCHIVE_FILTER_COMPRESS) {
        overhead = 3;
    } else if (filter == ARCHIVE_FILTER_GZIP) {
        // The header's optional fields are looked for in its first 4 KiB; a header
        // longer than that counts as its fixed part alone.
        unsigned char head[4096];
        const std::size_t got =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof head, fileSize));
        if (got < 10 || !PreadExact(fd, 0, head, got)) {
            return false;
        }
        const unsigned flags = head[3];
        std::size_t at = 10;
        if ((flags & 0x04) && at + 2 <= got) {
            at += 2 + Le16(head + at);
        }
        for (unsigned text : {0x08u, 0x10u}) {
            if (flags & text) {
                while (at < got && head[at] != 0) {
                    ++at;
                }
                ++at;
            }
        }
        if (flags & 0x02) {
            at += 2;
        }
        overhead = (at <= got ? at : 10) + 8;
    } else {
        return false;
    }
    packed = fileSize > overhead ? fileSize - overhead : 0;
    return true;
}

} // namespace

CTarArchiver::CTarArchiver()
    : CLibarchiveArchiver(kArcIdTar, false, "libarchive", {"TAR", "TGZ", "TAZ", "GZ", "Z"}) {}

void CTarArchiver::EnableFormats(archive* a) const {
    CLibArchive::Get().m_readSupportFormatTar(a);
    CLibArchive::Get().m_readSupportFormatRaw(a);
    CLibArchive::Get().m_readSupportFilterGzip(a);
    CLibArchive::Get().m_readSupportFilterCompress(a);
}

bool CTarArchiver::AcceptsFormat(archive* a) const {
    // The raw reader takes any bytes; only a decompressed stream counts as a member.
    int format = CLibArchive::Get().m_format(a);
    if (format == ARCHIVE_FORMAT_RAW) {
        return CLibArchive::Get().m_filterCount(a) > 1;
    }
    return (format & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_TAR;
}

CLibarchiveArchiver::SEntryFacts CTarArchiver::FactsOf(archive* a, archive_entry* e, int fd) {
    SEntryFacts facts;
    if (CLibArchive::Get().m_format(a) == ARCHIVE_FORMAT_RAW) {
        facts.m_bHasPacked =
            RawPackedSize(fd, CLibArchive::Get().m_filterCode(a, 0), facts.m_nPacked);
        return facts;
    }
    if (CLibArchive::Get().m_entrySizeIsSet(e) && CLibArchive::Get().m_entrySize(e) > 0 &&
        CLibArchive::Get().m_entryHardlink(e) == nullptr) {
        facts.m_bHasPacked = true;
        facts.m_nPacked = static_cast<std::uint64_t>(CLibArchive::Get().m_entrySize(e));
    }
    return facts;
}

bool CTarArchiver::MatchesHead(const CArchiveHead& head) const {
    return head.LooksLikeTarFamily();
}

} // namespace quillora
