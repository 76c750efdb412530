// What a cabinet's tables say about its files beyond what libarchive reports: their
// attribute bits and a share of their folder's compressed size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillora {

struct SCabFileFacts {
    std::string m_strName; // name bytes as stored
    std::uint64_t m_nSize = 0;
    // A cabinet compresses whole folders (runs of files) in one stream, so no file has
    // a compressed size of its own: each gets the part of its folder's compressed bytes
    // that its size is of the folder's uncompressed bytes.
    std::uint64_t m_nPacked = 0;
    std::uint32_t m_dwAttributes = 0; // read-only, hidden, system, archive
};

// The files of the cabinet open at `fd`, in the order they are stored (the order
// libarchive lists them). False when the tables cannot be read; every count and
// offset is checked against the file.
bool ReadCabDirectory(int fd, std::vector<SCabFileFacts>& out);

} // namespace quillora
