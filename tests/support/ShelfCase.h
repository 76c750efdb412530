// Case files of planted files for the copies tests: media (optionally in a group) with
// files at given paths, sizes, CRCs and times, and archives with entries.
#pragma once

#include "core/FileTime.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillora::test {

struct SPlantedFile {
    std::string m_strPath; // below the medium, "\" between names
    std::uint64_t m_nSize = 1;
    std::uint32_t m_dwCrc = 0; // 0: no CRC stored
    FileTime m_ftLastWrite = 130000000000000000ULL;
    // Entries of a listed zip archive at m_strPath: name, size, CRC.
    struct SEntry {
        std::string m_strName;
        std::uint64_t m_nSize = 1;
        std::uint32_t m_dwCrc = 0;
    };
    std::vector<SEntry> m_entries = {};
};

struct SPlantedMedium {
    std::string m_strLabel;
    std::string m_strGroup; // empty: directly in the case
    std::uint32_t m_dwSerial = 0;
    std::string m_strName; // path below the mount point, for folder media
    std::vector<SPlantedFile> m_files;
};

// Writes a case of those media to `path` (a plain ".cas"), with `password` if any.
void WriteShelfCase(const std::string& path, const std::vector<SPlantedMedium>& media,
                    const std::string& password = {});

} // namespace quillora::test
