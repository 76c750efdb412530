// A bounded reader of the cabinet header, folder table, file table and data blocks.
#include "scan/CabDirectory.h"

#include "scan/ArchiveBytes.h"

#include <algorithm>
#include <sys/stat.h>

namespace quillora {

namespace {

constexpr std::uint32_t kCabSig = 0x4643534D; // "MSCF"
constexpr std::uint32_t kFlagPrev = 0x0001;
constexpr std::uint32_t kFlagNext = 0x0002;
constexpr std::uint32_t kFlagReserve = 0x0004;
constexpr std::size_t kMaxName = 256;

struct SFolder {
    std::uint64_t m_nDataStart = 0;
    std::uint32_t m_nBlocks = 0;
    std::uint64_t m_nPacked = 0;
    std::uint64_t m_nUnpacked = 0;
};

// Skips one NUL-terminated text of at most kMaxName bytes at `at`.
bool SkipText(int fd, std::uint64_t& at) {
    unsigned char buffer[kMaxName + 1];
    std::size_t got = 0;
    for (; got < sizeof buffer; ++got) {
        if (!PreadExact(fd, at + got, &buffer[got], 1)) {
            return false;
        }
        if (buffer[got] == 0) {
            at += got + 1;
            return true;
        }
    }
    return false;
}

// The sum of the compressed bytes of the folder's data blocks.
bool FolderPacked(int fd, std::uint64_t fileSize, std::uint32_t dataReserve, SFolder& folder) {
    std::uint64_t at = folder.m_nDataStart;
    std::uint64_t packed = 0;
    for (std::uint32_t i = 0; i < folder.m_nBlocks; ++i) {
        unsigned char head[8];
        if (at + 8 > fileSize || !PreadExact(fd, at, head, sizeof head)) {
            return false;
        }
        const std::uint32_t size = Le16(head + 4);
        packed += size;
        at += 8 + dataReserve + size;
    }
    folder.m_nPacked = packed;
    return true;
}

} // namespace

bool ReadCabDirectory(int fd, std::vector<SCabFileFacts>& out) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_size < 36) {
        return false;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(st.st_size);
    unsigned char head[36];
    if (!PreadExact(fd, 0, head, sizeof head) || Le32(head) != kCabSig) {
        return false;
    }
    const std::uint64_t filesAt = Le32(head + 16);
    const std::uint32_t folderCount = Le16(head + 26);
    const std::uint32_t fileCount = Le16(head + 28);
    const std::uint32_t flags = Le16(head + 30);
    std::uint64_t at = 36;
    std::uint32_t folderReserve = 0;
    std::uint32_t dataReserve = 0;
    if (flags & kFlagReserve) {
        unsigned char reserve[4];
        if (!PreadExact(fd, at, reserve, sizeof reserve)) {
            return false;
        }
        folderReserve = reserve[2];
        dataReserve = reserve[3];
        at += 4 + Le16(reserve);
    }
    for (std::uint32_t kind : {kFlagPrev, kFlagNext}) {
        if ((flags & kind) && !(SkipText(fd, at) && SkipText(fd, at))) {
            return false;
        }
    }
    std::vector<SFolder> folders(folderCount);
    for (SFolder& folder : folders) {
        unsigned char entry[8];
        if (at + 8 > fileSize || !PreadExact(fd, at, entry, sizeof entry)) {
            return false;
        }
        folder.m_nDataStart = Le32(entry);
        folder.m_nBlocks = Le16(entry + 4);
        at += 8 + folderReserve;
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (!FolderPacked(fd, fileSize, dataReserve, folders[i])) {
            // Damaged block headers: the span up to the next folder's data stands in.
            const std::uint64_t end =
                i + 1 < folders.size() ? folders[i + 1].m_nDataStart : fileSize;
            folders[i].m_nPacked =
                end > folders[i].m_nDataStart ? end - folders[i].m_nDataStart : 0;
        }
    }
    if (filesAt >= fileSize) {
        return false;
    }
    // The file table, read at once: 16 bytes and a name of at most 256 bytes each.
    const std::uint64_t tableMax = static_cast<std::uint64_t>(fileCount) * (16 + kMaxName + 1);
    const std::size_t tableSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(tableMax, fileSize - filesAt));
    std::vector<unsigned char> table(tableSize);
    if (!PreadExact(fd, filesAt, table.data(), table.size())) {
        return false;
    }
    std::vector<SCabFileFacts> files;
    std::vector<std::uint32_t> folderOf;
    std::size_t pos = 0;
    for (std::uint32_t i = 0; i < fileCount; ++i) {
        if (pos + 16 > table.size()) {
            return false;
        }
        const unsigned char* entry = &table[pos];
        std::size_t nameEnd = pos + 16;
        while (nameEnd < table.size() && table[nameEnd] != 0 && nameEnd - pos - 16 < kMaxName) {
            ++nameEnd;
        }
        if (nameEnd >= table.size() || table[nameEnd] != 0) {
            return false;
        }
        SCabFileFacts file;
        file.m_nSize = Le32(entry);
        file.m_dwAttributes = Le16(entry + 14) & 0x27;
        file.m_strName.assign(reinterpret_cast<const char*>(entry + 16), nameEnd - pos - 16);
        std::uint32_t folder = Le16(entry + 8);
        if (folder == 0xFFFE) {
            folder = folderCount == 0 ? 0 : folderCount - 1; // continued in the next cabinet
        } else if (folder >= 0xFFFD) {
            folder = 0; // continued from the previous cabinet
        }
        if (folder < folders.size()) {
            folders[folder].m_nUnpacked += file.m_nSize;
        }
        folderOf.push_back(folder);
        files.push_back(std::move(file));
        pos = nameEnd + 1;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (folderOf[i] >= folders.size() || folders[folderOf[i]].m_nUnpacked == 0) {
            continue;
        }
        const SFolder& folder = folders[folderOf[i]];
        const unsigned __int128 share =
            static_cast<unsigned __int128>(folder.m_nPacked) * files[i].m_nSize +
            folder.m_nUnpacked / 2;
        files[i].m_nPacked = static_cast<std::uint64_t>(share / folder.m_nUnpacked);
        if (files[i].m_nPacked == 0 && files[i].m_nSize > 0) {
            files[i].m_nPacked = 1; // a stored file never shows as taking no room
        }
    }
    out = std::move(files);
    return true;
}

} // namespace quillora
