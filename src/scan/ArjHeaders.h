// The member headers of an ARJ archive, read directly: names as stored, sizes, DOS
// date-times and attributes. Reading them here rather than parsing the text `arj v`
// prints keeps file comments, which arj prints between a member's lines, out of the
// way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

struct SArjMember {
    std::string m_strRawName; // name bytes as stored, the way arj matches them
    std::uint64_t m_nPacked = 0;
    std::uint64_t m_nOriginal = 0;
    // The modification time as stored: a DOS date-time (local), or for members made on
    // Unix hosts a Unix time (UTC seconds).
    std::uint32_t m_dwStamp = 0;
    bool m_bUnixTime = false;
    bool m_bFolder = false;
    // DOS attribute bits when the member was made on MS-DOS, OS/2 or Windows.
    bool m_bHasDosAttributes = false;
    std::uint32_t m_dwDosAttributes = 0;
};

// The files and folders of the archive open at `fd`, in their order. False when it
// is no ARJ archive or a header is damaged (its CRC-32 does not match) or cut short;
// every size is checked against the file.
bool ReadArjHeaders(int fd, std::vector<SArjMember>& out);

} // namespace quillora
