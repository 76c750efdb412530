// Reads the entries of one folder with the facts the catalogue keeps for each:
// name, size, attribute word and the three times, in the file system's own order.
#pragma once

#include "core/FileAttributes.h"
#include "core/FileTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillora {

// What an entry is on disk. The scanner walks only Directory entries, reads only
// Regular ones, and never opens Symlink or Other (FIFO, socket, device) entries.
enum class EntryKind { Regular, Directory, Symlink, Other };

struct SDirEntry {
    std::string m_name;   // catalogue form (UTF-8, "\" stand-in; see OsPath.h)
    std::string m_osName; // the name's bytes on disk
    EntryKind m_kind = EntryKind::Other;
    std::uint64_t m_size = 0; // regular files only; 0 for the others
    // 0x10 folder, 0x20 regular file, 0x01 no write permission for anyone,
    // 0x02 dot-name, 0x400 symbolic link (which is never a folder here). On FAT
    // media the real DOS attribute byte instead, for files and folders.
    std::uint32_t m_attributes = 0;
    FileTime m_creation = 0; // birth time, else the last write
    FileTime m_lastAccess = 0;
    FileTime m_lastWrite = 0;
    // The file system the entry lives on (a folder on another one is a mount point);
    // 0 when its facts are missing.
    std::uint64_t m_device = 0;
    // The entry was listed but its facts could not be read (a folder with read but
    // no search permission, or an entry removed meanwhile): kind from the listing,
    // size and times 0, m_factsError the reason.
    bool m_factsMissing = false;
    int m_factsError = 0;
};

// One folder being read. Open it, then call Next until it returns false.
// Not recursive: the caller decides which entries to descend into. A reader may be
// used for one folder after another; its buffer is kept.
class CDirectoryReader {
public:
    CDirectoryReader();
    ~CDirectoryReader();
    CDirectoryReader(const CDirectoryReader&) = delete;
    CDirectoryReader& operator=(const CDirectoryReader&) = delete;

    // Opens the folder at a Linux path (a symbolic link as the path itself is
    // followed). Returns 0 or the errno value that stopped it (ENOENT, EACCES,
    // ENOTDIR, ...). A reader opened earlier is closed first.
    int Open(const std::string& osPath);

    // Reads the folder open at a descriptor (O_RDONLY | O_DIRECTORY), taking
    // ownership of it: it is closed with the reader, and at once when this fails.
    // Lets a walker open folders relative to their parent, at any depth.
    int OpenFd(int dirFd);

    // Reads the folder open at a descriptor that stays the caller's (the reader never
    // closes it and must be done with it first). `fat` tells whether the folder is on
    // FAT, whose DOS attributes are read per entry; a walker that never leaves one
    // file system knows it from its first folder. With `dontSync`, facts come from
    // what a network file system has cached instead of asking the server each time.
    void Borrow(int dirFd, bool fat, bool dontSync = false);

    // The next entry, skipping "." and "..". False at the end, or when reading
    // stopped with an error (then Error() is non-zero). The entry's strings keep
    // their capacity from one call to the next.
    bool Next(SDirEntry& entry);

    // The descriptor of the open folder (for opening entries relative to it); -1
    // when closed. It stays the reader's (or the lender's).
    int Fd() const { return m_fd; }

    // errno of a listing failure after Open succeeded; 0 otherwise.
    int Error() const { return m_error; }

    void Close();

    // Reads a whole folder. Returns 0 or the errno value of the failure; entries
    // read before a failure stay in `entries`.
    static int ReadAll(const std::string& osPath, std::vector<SDirEntry>& entries);

    // Whether the folder `name` in the folder open at dirFd holds any entry; true
    // when that cannot be told (it cannot be opened or listed).
    static bool HasEntries(int dirFd, const char* name);

    // Whether the folder open at dirFd lies on FAT (vfat, msdos), whose entries carry
    // real DOS attributes.
    static bool IsFatFileSystem(int dirFd);

private:
    // The next raw name and its listed type; false at the end or on an error.
    bool NextName(const char*& name, unsigned char& type);

    int m_fd = -1;
    bool m_own = false;
    int m_error = 0;
    bool m_fat = false; // the folder is on vfat/msdos, whose DOS attributes are real
    bool m_dontSync = false;
    bool m_end = false;
    std::unique_ptr<char[]> m_buffer; // getdents64 records
    std::size_t m_pos = 0;
    std::size_t m_filled = 0;
};

} // namespace quillora
