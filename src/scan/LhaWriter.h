// Writes LHA archives with level-2 headers and -lh5- (or stored -lh0-) members: the
// container of ".caz" case files, readable by libarchive and the usual LHA tools.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

enum class LhaMethod { kStored, kLh5 };

// What one finished AddMember wrote.
struct SLhaMemberInfo {
    std::string name;
    LhaMethod method = LhaMethod::kStored;
    std::uint64_t originalSize = 0;
    std::uint64_t packedSize = 0;
    std::uint16_t crc = 0;
};

// Usage: Open, AddMember for each member, Finish. Every call returns false with a message
// in `error` when it fails. A failure while a member's bytes were being written (disk
// full, a source that cannot be read to its end) leaves the archive unusable: later calls
// fail and Finish never reports success for it. A source that cannot be opened is
// refused before anything is written, and the archive can go on.
//
// Member data is streamed: a member is compressed as it is read, in blocks; if the
// compressed form is not smaller than the data, the source is read a second time and the
// member is stored (-lh0-) instead. Sizes are limited to 4 GiB - 1 by the header format.
class CLhaWriter {
public:
    CLhaWriter() = default;
    // An archive opened by path and not finished is removed; the destination keeps
    // whatever it held before.
    ~CLhaWriter();
    CLhaWriter(const CLhaWriter&) = delete;
    CLhaWriter& operator=(const CLhaWriter&) = delete;

    // Starts an archive that Finish puts at `path`. The bytes go to a temporary file in the
    // same folder, renamed over `path` only once complete.
    bool Open(const std::filesystem::path& path, std::string& error);
    // Starts an archive at the current position of a caller's stream or FILE*, which must
    // be seekable (each member's header is completed after its data). The caller keeps
    // ownership and must keep it alive until Finish; it is flushed but not closed.
    bool Open(std::ostream& out, std::string& error);
    bool Open(std::FILE* file, std::string& error);

    // Adds one member read from a regular file, or from bytes in memory.
    // `name`: path inside the archive, folders separated by '/', no empty, "." or ".."
    // parts (e.g. "toblharc.cas"). `mtime`: modification time, Unix seconds, 0..2^32-1.
    // `mode`: Unix permission bits (0644); the member is always a regular file.
    bool AddMember(std::string_view name, const std::filesystem::path& source, std::int64_t mtime,
                   std::uint32_t mode, std::string& error);
    bool AddMember(std::string_view name, std::string_view bytes, std::int64_t mtime,
                   std::uint32_t mode, std::string& error);

    // Writes the end mark (one 0 byte) and flushes; for a path, syncs the temporary file
    // and renames it over the destination. True only when the whole archive was written.
    bool Finish(std::string& error);

    // The members written so far, in order.
    const std::vector<SLhaMemberInfo>& Members() const { return m_members; }

    // The CRC-16 of LHA (polynomial 0xA001 reflected, initial value 0), continued from `crc`.
    static std::uint16_t Crc16(std::uint16_t crc, const void* data, std::size_t size);

private:
    struct SSource;
    struct SHeaderFields;

    bool Ready(std::string& error) const;
    bool Begin(std::string& error);
    bool AddFromSource(std::string_view name, SSource& source, std::int64_t mtime,
                       std::uint32_t mode, std::string& error);
    bool Compress(SSource& source, std::uint64_t size, std::uint64_t& packed, std::uint16_t& crc,
                  bool& stored, std::string& error);
    bool Store(SSource& source, std::uint64_t size, std::uint16_t& crc, std::string& error);
    // Reads the whole source in chunks, folding each into the CRC and handing it to
    // `consume`; *stopped when consume asked to stop early. False (with `error`) when
    // the source cannot be read or its size changed meanwhile.
    bool ReadSource(SSource& source, std::uint64_t size, std::uint16_t& crc, std::string& error,
                    bool* stopped,
                    const std::function<bool(const std::uint8_t*, std::size_t)>& consume);
    bool SinkWrite(const void* data, std::size_t size);
    bool SinkSeek(std::uint64_t pos);
    bool SinkTell(std::uint64_t& pos);
    bool SinkFlush();
    std::string SinkError() const;
    bool Fail(std::string& error, std::string message);
    void Discard();

    std::FILE* m_file = nullptr;
    std::ostream* m_stream = nullptr;
    bool m_ownsFile = false;
    std::filesystem::path m_target;
    std::filesystem::path m_tempPath;
    bool m_open = false;
    bool m_failed = false;
    bool m_finished = false;
    int m_lastErrno = 0;
    std::vector<SLhaMemberInfo> m_members;
};

} // namespace quillora
