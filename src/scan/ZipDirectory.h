// What a ZIP archive's central directory says about its members beyond what libarchive
// reports: compressed sizes and the attribute bits of the system that made them.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace quillora {

struct SZipMemberFacts {
    std::uint64_t m_nPacked = 0;
    // DOS attribute bits (read-only, hidden, system, folder, archive) when the member
    // was made on a system that has them (MS-DOS, OS/2, Windows NTFS or VFAT).
    bool m_bHasDosAttributes = false;
    std::uint32_t m_dwDosAttributes = 0;
};

// Member name bytes as stored -> facts (ZIP64 sizes included), from the archive open at
// `fd`. False when no readable central directory was found; every length read is
// checked against the file.
bool ReadZipDirectory(int fd, std::unordered_map<std::string, SZipMemberFacts>& out);

} // namespace quillora
