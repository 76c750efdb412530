// What the file headers of a RAR archive (1.5-4 and 5) say beyond what libarchive
// reports: the stored (packed) size and the attribute bits of the system that made it.
#pragma once

#include <cstdint>
#include <vector>

namespace quillora {

struct SRarFileFacts {
    std::uint64_t m_nPacked = 0;
    std::uint64_t m_nUnpacked = 0;
    bool m_bFolder = false;
    // DOS attribute bits when the entry was made on MS-DOS, OS/2 or Windows.
    bool m_bHasDosAttributes = false;
    std::uint32_t m_dwDosAttributes = 0;
};

// The file headers of the archive open at `fd` in their order (the order libarchive
// lists the entries), service headers left out. The archive may follow a
// self-extractor's program code. False when no RAR signature is found or the headers
// are encrypted; headers read before damage are kept. Every size is checked against
// the file.
bool ReadRarHeaders(int fd, std::vector<SRarFileFacts>& out);

} // namespace quillora
