// Format magic and the program image's end of an .EXE, from the first bytes of a file.
#include "scan/ArchiveHead.h"

#include "core/FileTypeCode.h"
#include "core/UniqueFd.h"
#include "scan/ArchiveBytes.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <vector>

namespace quillora {

namespace {

constexpr std::size_t kTarBlock = 512;

bool TarChecksumValid(const unsigned char* block) {
    // The checksum field (148..155) holds octal digits and counts as spaces itself.
    unsigned stored = 0;
    bool digits = false;
    for (std::size_t i = 148; i < 156; ++i) {
        const unsigned char c = block[i];
        if (c >= '0' && c <= '7') {
            stored = stored * 8 + (c - '0');
            digits = true;
        } else if (c != ' ' && c != 0) {
            return false;
        } else if (digits) {
            break;
        }
    }
    if (!digits) {
        return false;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < kTarBlock; ++i) {
        sum += (i >= 148 && i < 156) ? ' ' : block[i];
    }
    return sum == stored;
}

} // namespace

bool CArchiveHead::Read(const std::string& path, std::uint64_t fileSize) {
    return ReadAt(AT_FDCWD, path.c_str(), fileSize);
}

bool CArchiveHead::ReadAt(int dirFd, const char* name, std::uint64_t fileSize, std::size_t want) {
    m_nSize = 0;
    m_nFileSize = fileSize;
    CUniqueFd fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return false;
    }
    const std::size_t bytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::min(want, kSize), fileSize));
    const ssize_t got = ::pread(fd.Get(), m_bytes, bytes, 0);
    if (got <= 0) {
        return false;
    }
    m_nSize = static_cast<std::size_t>(got);
    return true;
}

bool CArchiveHead::ReadFor(std::uint16_t fileTypeCode, int dirFd, const char* name,
                           std::uint64_t fileSize) {
    return ReadAt(dirFd, name, fileSize, fileTypeCode == kFtExe ? kSize : kFamilySize);
}

void CArchiveHead::Assign(const unsigned char* bytes, std::size_t size, std::uint64_t fileSize) {
    m_nSize = std::min(size, kSize);
    std::memcpy(m_bytes, bytes, m_nSize);
    m_nFileSize = fileSize;
}

bool CArchiveHead::StartsWith(const void* magic, std::size_t size) const {
    return m_nSize >= size && std::memcmp(m_bytes, magic, size) == 0;
}

bool CArchiveHead::LooksLikeLha() const {
    // Header size (or its low byte), a sum or the high byte, the method "-l??-", and a
    // header level of 0 to 3.
    return m_nSize >= 22 && m_bytes[2] == '-' && m_bytes[3] == 'l' && m_bytes[6] == '-' &&
           m_bytes[20] <= 3;
}

bool CArchiveHead::LooksLikeZip() const {
    // A local header, an empty archive's end record, or a spanning marker.
    return StartsWith("PK\x03\x04", 4) || StartsWith("PK\x05\x06", 4) ||
           StartsWith("PK\x07\x08", 4) || StartsWith("PK00PK\x03\x04", 8);
}

bool CArchiveHead::LooksLikeCab() const {
    return StartsWith("MSCF\0\0\0\0", 8);
}

bool CArchiveHead::LooksLikeArj() const {
    return StartsWith("\x60\xEA", 2);
}

bool CArchiveHead::LooksLikeRar() const {
    return StartsWith("Rar!\x1A\x07", 6);
}

bool CArchiveHead::LooksLikeTarFamily() const {
    if (StartsWith("\x1F\x8B", 2) || StartsWith("\x1F\x9D", 2)) {
        return true;
    }
    return m_nSize >= kTarBlock && TarChecksumValid(m_bytes);
}

bool CArchiveHead::HasDataPastImage(const std::string& path) const {
    if (m_nSize < 64 || !StartsWith("MZ", 2)) {
        return false;
    }
    const std::uint32_t peAt = Le32(m_bytes + 0x3C);
    if (static_cast<std::uint64_t>(peAt) + 24 > m_nSize ||
        std::memcmp(m_bytes + peAt, "PE\0\0", 4) != 0) {
        // A DOS program: its image is the pages its header counts. A header that
        // counts nothing sensible tells nothing, and the archivers may look.
        const std::uint32_t lastPage = Le16(m_bytes + 2);
        const std::uint32_t pages = Le16(m_bytes + 4);
        if (pages == 0 || lastPage > 511) {
            return true;
        }
        const std::uint64_t image =
            static_cast<std::uint64_t>(pages - 1) * 512 + (lastPage ? lastPage : 512);
        return m_nFileSize > image;
    }
    const std::uint32_t sectionCount = Le16(m_bytes + peAt + 6);
    const std::uint32_t optionalSize = Le16(m_bytes + peAt + 20);
    const std::uint64_t sectionsAt = static_cast<std::uint64_t>(peAt) + 24 + optionalSize;
    const std::uint64_t tableSize = static_cast<std::uint64_t>(sectionCount) * 40;
    if (sectionCount == 0 || sectionCount > 96) {
        return false;
    }
    std::vector<unsigned char> table(static_cast<std::size_t>(tableSize));
    if (sectionsAt + tableSize <= m_nSize) {
        std::memcpy(table.data(), m_bytes + sectionsAt, table.size());
    } else {
        CUniqueFd fd(
            ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (fd.Get() < 0 || !PreadExact(fd.Get(), sectionsAt, table.data(), table.size())) {
            return false;
        }
    }
    std::uint64_t imageEnd = 0;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const unsigned char* section = table.data() + i * 40;
        const std::uint64_t rawSize = Le32(section + 16);
        const std::uint64_t rawAt = Le32(section + 20);
        if (rawSize != 0) {
            imageEnd = std::max(imageEnd, rawAt + rawSize);
        }
    }
    if (m_nFileSize <= imageEnd) {
        return false;
    }
    // A signature (the certificate table) may be all that follows the sections.
    const std::uint32_t magic = Le16(m_bytes + peAt + 24);
    const std::uint64_t directories = peAt + 24 + (magic == 0x20B ? 112 : 96);
    const std::uint64_t certificate = directories + 4 * 8;
    if (optionalSize >= (magic == 0x20B ? 112 : 96) + 5 * 8 && certificate + 8 <= m_nSize) {
        const std::uint64_t certAt = Le32(m_bytes + certificate);
        const std::uint64_t certSize = Le32(m_bytes + certificate + 4);
        if (certSize != 0 && certAt == imageEnd && certAt + certSize >= m_nFileSize) {
            return false;
        }
    }
    return true;
}

} // namespace quillora
