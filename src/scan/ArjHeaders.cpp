// A bounded walk over ARJ headers: the main header, then one header per member, each
// checked against its CRC-32, with the members' data stepped over.
#include "scan/ArjHeaders.h"

#include "core/Crc32.h"
#include "scan/ArchiveBytes.h"

#include <sys/stat.h>

namespace quillora {

namespace {

constexpr std::uint32_t kMaxBasicHeader = 2600;
constexpr std::size_t kMaxMembers = 10'000'000;
constexpr unsigned kTypeDirectory = 3;

// One header at `at`: its basic part (CRC checked) and the offset after its extended
// headers. False at the end marker (`end` set) or on damage.
bool ReadHeader(int fd, std::uint64_t fileSize, std::uint64_t& at,
                std::vector<unsigned char>& basic, bool& end) {
    end = false;
    unsigned char head[4];
    if (at + 4 > fileSize || !PreadExact(fd, at, head, sizeof head) || head[0] != 0x60 ||
        head[1] != 0xEA) {
        return false;
    }
    const std::uint32_t size = Le16(head + 2);
    if (size == 0) {
        end = true;
        return true;
    }
    if (size > kMaxBasicHeader || at + 4 + size + 4 > fileSize) {
        return false;
    }
    basic.resize(size + 4);
    if (!PreadExact(fd, at + 4, basic.data(), basic.size()) ||
        Crc32Update(0, basic.data(), size) != Le32(basic.data() + size)) {
        return false;
    }
    basic.resize(size);
    at += 4 + size + 4;
    for (int guard = 0; guard < 64; ++guard) {
        unsigned char extended[2];
        if (!PreadExact(fd, at, extended, sizeof extended)) {
            return false;
        }
        const std::uint32_t length = Le16(extended);
        at += 2;
        if (length == 0) {
            return true;
        }
        at += length + 4;
        if (at > fileSize) {
            return false;
        }
    }
    return false;
}

} // namespace

bool ReadArjHeaders(int fd, std::vector<SArjMember>& out) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return false;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t at = 0;
    std::vector<unsigned char> basic;
    bool end = false;
    if (!ReadHeader(fd, fileSize, at, basic, end) || end) {
        return false; // the main header
    }
    std::vector<SArjMember> members;
    while (members.size() < kMaxMembers) {
        if (!ReadHeader(fd, fileSize, at, basic, end)) {
            return false;
        }
        if (end) {
            out = std::move(members);
            return true;
        }
        const std::size_t fixed = basic[0];
        if (fixed < 30 || fixed > basic.size()) {
            return false;
        }
        SArjMember member;
        const unsigned host = basic[3];
        const unsigned type = basic[6];
        member.m_dwStamp = Le32(&basic[8]);
        member.m_bUnixTime = host == 2 || host == 8; // Unix, NeXT
        member.m_nPacked = Le32(&basic[12]);
        member.m_nOriginal = Le32(&basic[16]);
        const std::uint32_t access = Le16(&basic[26]);
        std::size_t nameEnd = fixed;
        while (nameEnd < basic.size() && basic[nameEnd] != 0) {
            ++nameEnd;
        }
        member.m_strRawName.assign(reinterpret_cast<const char*>(&basic[fixed]), nameEnd - fixed);
        member.m_bFolder = type == kTypeDirectory;
        if (host == 0 || host == 5 || host == 10 || host == 11) { // MS-DOS, OS/2, Windows
            member.m_bHasDosAttributes = true;
            member.m_dwDosAttributes = access & 0x37;
        }
        at += member.m_nPacked;
        if (at > fileSize) {
            return false;
        }
        // Volume and chapter labels are no members.
        if (type <= 1 || type == kTypeDirectory) {
            members.push_back(std::move(member));
        }
    }
    return false;
}

} // namespace quillora
