// A bounded reader of the ZIP end records and central directory.
#include "scan/ZipDirectory.h"

#include "scan/ArchiveBytes.h"

#include <sys/stat.h>
#include <vector>

namespace quillora {

namespace {

constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::uint32_t kEnd64Sig = 0x06064b50;
constexpr std::uint32_t kLocator64Sig = 0x07064b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr std::uint64_t kMaxDirectory = 64ULL << 20;

// Hosts whose external attributes carry DOS attribute bits in their low byte.
bool HasDosAttributes(std::uint32_t madeBy) {
    const std::uint32_t host = madeBy >> 8;
    return host == 0 || host == 6 || host == 10 || host == 14;
}

bool ReadAt(int fd, std::uint64_t offset, std::vector<unsigned char>& buffer, std::size_t size) {
    buffer.resize(size);
    return PreadExact(fd, offset, buffer.data(), size);
}

// The compressed size, from the ZIP64 extra field when the 32-bit field says so.
std::uint64_t PackedSize(const unsigned char* entry, const unsigned char* extra,
                         std::size_t extraLen) {
    std::uint64_t packed = Le32(entry + 20);
    bool wideOriginal = Le32(entry + 24) == 0xFFFFFFFF;
    if (packed != 0xFFFFFFFF) {
        return packed;
    }
    std::size_t at = 0;
    while (at + 4 <= extraLen) {
        std::uint32_t id = Le16(extra + at);
        std::size_t len = Le16(extra + at + 2);
        if (at + 4 + len > extraLen) {
            break;
        }
        if (id == 0x0001) {
            std::size_t field = wideOriginal ? 8 : 0;
            if (field + 8 <= len) {
                return Le64(extra + at + 4 + field);
            }
        }
        at += 4 + len;
    }
    return packed;
}

} // namespace

bool ReadZipDirectory(int fd, std::unordered_map<std::string, SZipMemberFacts>& out) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size <= 0) {
        return false;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    std::size_t tailSize = static_cast<std::size_t>(fileSize < 65557 ? fileSize : 65557);
    std::vector<unsigned char> tail;
    if (tailSize < 22 || !ReadAt(fd, fileSize - tailSize, tail, tailSize)) {
        return false;
    }
    std::size_t end = tailSize - 22 + 1;
    while (end-- > 0) {
        if (Le32(&tail[end]) == kEndSig && end + 22 + Le16(&tail[end + 20]) == tailSize) {
            break;
        }
    }
    if (end == static_cast<std::size_t>(-1)) {
        return false;
    }
    std::uint64_t endPos = fileSize - tailSize + end;
    std::uint64_t dirSize = Le32(&tail[end + 12]);
    std::uint64_t endOfDirectory = endPos;
    if (end >= 20 && Le32(&tail[end - 20]) == kLocator64Sig) {
        std::uint64_t end64 = Le64(&tail[end - 20 + 8]);
        std::vector<unsigned char> record;
        if (end64 + 56 <= fileSize && ReadAt(fd, end64, record, 56) &&
            Le32(record.data()) == kEnd64Sig) {
            dirSize = Le64(&record[40]);
            endOfDirectory = end64;
        }
    }
    if (dirSize > kMaxDirectory || dirSize > endOfDirectory) {
        return false;
    }
    // Behind a self-extractor whose offsets were not adjusted, the directory sits
    // right before the end records rather than at its stated offset.
    std::uint64_t start = endOfDirectory - dirSize;
    std::vector<unsigned char> dir;
    if (!ReadAt(fd, start, dir, static_cast<std::size_t>(dirSize))) {
        return false;
    }
    std::size_t at = 0;
    while (at + 46 <= dir.size() && Le32(&dir[at]) == kCentralSig) {
        std::size_t nameLen = Le16(&dir[at + 28]);
        std::size_t extraLen = Le16(&dir[at + 30]);
        std::size_t commentLen = Le16(&dir[at + 32]);
        std::size_t next = at + 46 + nameLen + extraLen + commentLen;
        if (next > dir.size()) {
            return false;
        }
        std::string name(reinterpret_cast<const char*>(&dir[at + 46]), nameLen);
        SZipMemberFacts facts;
        facts.m_nPacked = PackedSize(&dir[at], &dir[at + 46 + nameLen], extraLen);
        if (HasDosAttributes(Le16(&dir[at + 4]))) {
            facts.m_bHasDosAttributes = true;
            facts.m_dwDosAttributes = Le32(&dir[at + 38]) & 0x37;
        }
        out[name] = facts;
        at = next;
    }
    return !out.empty();
}

} // namespace quillora
