// Archives made at test time for the adapter tests: libarchive's writer, the Debian
// tools, and byte-exact vectors for formats nothing here writes (RAR, LHA, CP932 ZIP).
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace quillora::test {

struct SMember {
    SMember(std::string name, std::string data = {}, std::time_t mtime = 0, char type = 'f',
            std::string link = {})
        : m_strName(std::move(name)), m_strData(std::move(data)), m_mtime(mtime), m_type(type),
          m_strLink(std::move(link)) {}
    std::string m_strName;
    std::string m_strData;
    std::time_t m_mtime;
    char m_type;                      // 'f' file, 'd' folder, 'l' symlink, 'h' hard link
    std::string m_strLink;            // link target
    std::uint32_t m_dwAttributes = 0; // DOS attributes where the format keeps them; 0: by type
};

// format: "zip", "pax", "gnutar"; filter: "", "gzip", "compress".
void WriteLibarchive(const std::filesystem::path& path, const std::string& format,
                     const std::string& filter, const std::vector<SMember>& members);
// A single compressed file without a container.
void WriteRawCompressed(const std::filesystem::path& path, const std::string& filter,
                        const std::string& data);

// Stored ZIP with exactly these name bytes and no UTF-8 flag, made on MS-DOS with
// these DOS attributes.
std::string ZipWithRawName(const std::string& nameBytes, const std::string& data,
                           std::uint32_t dosDateTime, std::uint32_t dosAttributes = 0x20);
// RAR 1.5-4 archive, stored method, one file per member; names are raw bytes.
std::string Rar4Stored(const std::vector<SMember>& members, std::uint32_t dosDateTime);
// RAR5 archive, stored method, UTC modification times.
std::string Rar5Stored(const std::vector<SMember>& members);
// ZIP64 archive with one stored member of `size` zero bytes, written as a sparse file.
void WriteSparseZip64(const std::filesystem::path& path, const std::string& name,
                      std::uint64_t size);
// LHA level-0 or level-2 archive, method -lh0- (stored).
std::string LhaStored(const std::vector<SMember>& members, int level, std::uint32_t stamp);

// Runs a program with arguments in a folder; exit status.
int RunTool(const std::vector<std::string>& argv, const std::filesystem::path& cwd);

std::uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second);

} // namespace quillora::test
