// Helpers of the comparison tests.
#include "CompareTestTools.h"

#include "scan/VolumeScanner.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>

namespace quillora::test {

std::unique_ptr<SVolumeInfo> ScanFolder(const std::filesystem::path& folder) {
    auto medium = std::make_unique<SVolumeInfo>();
    CVolumeScanner scanner{SScanOptions{}};
    scanner.AddVolume(*medium, folder.string(), nullptr, nullptr);
    return medium;
}

void SetModified(const std::filesystem::path& path, std::int64_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        throw std::runtime_error("cannot set the time of " + path.string());
    }
}

const SCompareRow* RowNamed(const CompareRows& rows, const std::string& name) {
    for (const SCompareRow& row : rows) {
        if (row.m_strName == name) {
            return &row;
        }
    }
    return nullptr;
}

std::string Describe(const CompareRows& rows) {
    std::string text;
    for (const SCompareRow& row : rows) {
        text += std::to_string(row.m_nResult) + " " + row.m_strName + "\n";
    }
    return text;
}

} // namespace quillora::test
