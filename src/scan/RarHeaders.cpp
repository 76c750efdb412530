// A bounded walk over the blocks of a RAR archive, both header generations.
#include "scan/RarHeaders.h"

#include "scan/ArchiveBytes.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace quillora {

namespace {

constexpr unsigned char kSig4[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr unsigned char kSig5[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
// A self-extractor's program code comes first; RAR's own tools look this far for it.
constexpr std::uint64_t kSearchLimit = 1 << 20;
constexpr std::size_t kMaxEntries = 10'000'000;

enum class RarKind { None, V4, V5 };

RarKind FindSignature(int fd, std::uint64_t fileSize, std::uint64_t& start) {
    constexpr std::size_t kWindow = 64 * 1024;
    std::vector<unsigned char> buffer(kWindow + sizeof kSig5);
    for (std::uint64_t base = 0; base < kSearchLimit && base < fileSize; base += kWindow) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), fileSize - base));
        if (!PreadExact(fd, base, buffer.data(), want)) {
            return RarKind::None;
        }
        for (std::size_t i = 0; i + sizeof kSig4 <= want; ++i) {
            if (std::memcmp(&buffer[i], kSig4, sizeof kSig4) == 0) {
                start = base + i + sizeof kSig4;
                return RarKind::V4;
            }
            if (i + sizeof kSig5 <= want && std::memcmp(&buffer[i], kSig5, sizeof kSig5) == 0) {
                start = base + i + sizeof kSig5;
                return RarKind::V5;
            }
        }
    }
    return RarKind::None;
}

bool Walk4(int fd, std::uint64_t at, std::uint64_t fileSize, std::vector<SRarFileFacts>& out) {
    while (at + 7 <= fileSize && out.size() < kMaxEntries) {
        unsigned char head[7 + 4 + 4 + 1 + 4 + 4 + 1 + 1 + 2 + 4 + 8] = {};
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof head, fileSize - at));
        if (!PreadExact(fd, at, head, want)) {
            return false;
        }
        const unsigned type = head[2];
        const std::uint32_t flags = Le16(head + 3);
        const std::uint32_t headSize = Le16(head + 5);
        if (headSize < 7) {
            return false;
        }
        std::uint64_t addSize = (flags & 0x8000) && want >= 11 ? Le32(head + 7) : 0;
        if (type == 0x73 && (flags & 0x0080)) {
            return false; // encrypted headers
        }
        if (type == 0x7B) {
            return true; // end of archive
        }
        if (type == 0x74) {
            if (headSize < 32 || want < 32) {
                return false;
            }
            SRarFileFacts facts;
            facts.m_nPacked = Le32(head + 7);
            facts.m_nUnpacked = Le32(head + 11);
            if ((flags & 0x0100) && headSize >= 40 && want >= 40) {
                facts.m_nPacked |= static_cast<std::uint64_t>(Le32(head + 32)) << 32;
                facts.m_nUnpacked |= static_cast<std::uint64_t>(Le32(head + 36)) << 32;
            }
            addSize = facts.m_nPacked;
            facts.m_bFolder = (flags & 0x00E0) == 0x00E0;
            const unsigned host = head[15];
            if (host <= 2) { // MS-DOS, OS/2, Windows
                facts.m_bHasDosAttributes = true;
                facts.m_dwDosAttributes = Le32(head + 28) & 0x37;
            }
            out.push_back(facts);
        }
        const std::uint64_t next = at + headSize + addSize;
        if (next <= at || next > fileSize) {
            return next == fileSize;
        }
        at = next;
    }
    return true;
}

// A RAR5 variable-length integer from p[0..size); false when it runs past the end.
bool Vint(const unsigned char* p, std::size_t size, std::size_t& pos, std::uint64_t& value) {
    value = 0;
    for (unsigned shift = 0; shift < 70 && pos < size; shift += 7) {
        const unsigned char byte = p[pos++];
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

bool Walk5(int fd, std::uint64_t at, std::uint64_t fileSize, std::vector<SRarFileFacts>& out) {
    constexpr std::uint64_t kMaxHeader = 2 * 1024 * 1024;
    std::vector<unsigned char> header;
    while (at + 5 <= fileSize && out.size() < kMaxEntries) {
        unsigned char sizeField[4 + 3];
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof sizeField, fileSize - at));
        if (!PreadExact(fd, at, sizeField, want)) {
            return false;
        }
        std::size_t pos = 4;
        std::uint64_t headerSize = 0;
        if (!Vint(sizeField, want, pos, headerSize) || headerSize == 0 || headerSize > kMaxHeader ||
            at + pos + headerSize > fileSize) {
            return false;
        }
        header.resize(static_cast<std::size_t>(headerSize));
        if (!PreadExact(fd, at + pos, header.data(), header.size())) {
            return false;
        }
        const unsigned char* h = header.data();
        const std::size_t n = header.size();
        std::size_t p = 0;
        std::uint64_t type = 0, flags = 0, extraSize = 0, dataSize = 0;
        if (!Vint(h, n, p, type) || !Vint(h, n, p, flags) ||
            ((flags & 0x01) && !Vint(h, n, p, extraSize)) ||
            ((flags & 0x02) && !Vint(h, n, p, dataSize))) {
            return false;
        }
        if (type == 4) {
            return false; // encrypted headers
        }
        if (type == 5) {
            return true; // end of archive
        }
        if (type == 2) {
            std::uint64_t fileFlags = 0, unpacked = 0, attributes = 0, method = 0, host = 0;
            if (!Vint(h, n, p, fileFlags) || !Vint(h, n, p, unpacked) ||
                !Vint(h, n, p, attributes)) {
                return false;
            }
            p += (fileFlags & 0x02) ? 4 : 0;
            p += (fileFlags & 0x04) ? 4 : 0;
            if (p > n || !Vint(h, n, p, method) || !Vint(h, n, p, host)) {
                return false;
            }
            SRarFileFacts facts;
            facts.m_nPacked = dataSize;
            facts.m_nUnpacked = unpacked;
            facts.m_bFolder = (fileFlags & 0x01) != 0;
            if (host == 0) { // Windows
                facts.m_bHasDosAttributes = true;
                facts.m_dwDosAttributes = static_cast<std::uint32_t>(attributes & 0x37);
            }
            out.push_back(facts);
        }
        const std::uint64_t next = at + pos + headerSize + dataSize;
        if (next <= at || next > fileSize) {
            return next == fileSize;
        }
        at = next;
    }
    return true;
}

} // namespace

bool ReadRarHeaders(int fd, std::vector<SRarFileFacts>& out) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        return false;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t start = 0;
    switch (FindSignature(fd, fileSize, start)) {
    case RarKind::V4:
        return Walk4(fd, start, fileSize, out);
    case RarKind::V5:
        return Walk5(fd, start, fileSize, out);
    default:
        return false;
    }
}

} // namespace quillora
