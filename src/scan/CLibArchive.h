// CLibArchive: libarchive, loaded when an archive is first listed instead of linked, so
// that the commands that read cases do not map it and the seven libraries it pulls in
// (ICU's data among them) at every start.
#pragma once

#include "core/CLoadedLibrary.h"

#include <archive.h>
#include <archive_entry.h>

#include <string>

namespace quillora {

class CLibArchive {
public:
    static constexpr char kSoname[] = "libarchive.so.13";

    // The library, loaded once for the process, or null when it cannot be loaded
    // (LoadError says why; empty when it was loaded).
    static const CLibArchive* Find();
    // The same for callers that run only once Find succeeded (an archiver that loaded).
    static const CLibArchive& Get() { return *Find(); }
    static const std::string& LoadError();

    decltype(&::archive_entry_atime) m_entryAtime = nullptr;
    decltype(&::archive_entry_atime_is_set) m_entryAtimeIsSet = nullptr;
    decltype(&::archive_entry_atime_nsec) m_entryAtimeNsec = nullptr;
    decltype(&::archive_entry_birthtime) m_entryBirthtime = nullptr;
    decltype(&::archive_entry_birthtime_is_set) m_entryBirthtimeIsSet = nullptr;
    decltype(&::archive_entry_birthtime_nsec) m_entryBirthtimeNsec = nullptr;
    decltype(&::archive_entry_filetype) m_entryFiletype = nullptr;
    decltype(&::archive_entry_hardlink) m_entryHardlink = nullptr;
    decltype(&::archive_entry_mtime) m_entryMtime = nullptr;
    decltype(&::archive_entry_mtime_is_set) m_entryMtimeIsSet = nullptr;
    decltype(&::archive_entry_mtime_nsec) m_entryMtimeNsec = nullptr;
    decltype(&::archive_entry_pathname) m_entryPathname = nullptr;
    decltype(&::archive_entry_pathname_utf8) m_entryPathnameUtf8 = nullptr;
    decltype(&::archive_entry_perm) m_entryPerm = nullptr;
    decltype(&::archive_entry_size) m_entrySize = nullptr;
    decltype(&::archive_entry_size_is_set) m_entrySizeIsSet = nullptr;
    decltype(&::archive_entry_symlink) m_entrySymlink = nullptr;
    decltype(&::archive_error_string) m_errorString = nullptr;
    decltype(&::archive_filter_code) m_filterCode = nullptr;
    decltype(&::archive_filter_count) m_filterCount = nullptr;
    decltype(&::archive_format) m_format = nullptr;
    decltype(&::archive_read_data_block) m_readDataBlock = nullptr;
    decltype(&::archive_read_free) m_readFree = nullptr;
    decltype(&::archive_read_header_position) m_readHeaderPosition = nullptr;
    decltype(&::archive_read_new) m_readNew = nullptr;
    decltype(&::archive_read_next_header) m_readNextHeader = nullptr;
    decltype(&::archive_read_open_fd) m_readOpenFd = nullptr;
    decltype(&::archive_read_set_options) m_readSetOptions = nullptr;
    decltype(&::archive_read_support_filter_compress) m_readSupportFilterCompress = nullptr;
    decltype(&::archive_read_support_filter_gzip) m_readSupportFilterGzip = nullptr;
    decltype(&::archive_read_support_format_cab) m_readSupportFormatCab = nullptr;
    decltype(&::archive_read_support_format_lha) m_readSupportFormatLha = nullptr;
    decltype(&::archive_read_support_format_rar) m_readSupportFormatRar = nullptr;
    decltype(&::archive_read_support_format_rar5) m_readSupportFormatRar5 = nullptr;
    decltype(&::archive_read_support_format_raw) m_readSupportFormatRaw = nullptr;
    decltype(&::archive_read_support_format_tar) m_readSupportFormatTar = nullptr;
    decltype(&::archive_read_support_format_zip_seekable) m_readSupportFormatZipSeekable = nullptr;
    decltype(&::archive_version_number) m_versionNumber = nullptr;

private:
    CLibArchive();
    static const CLibArchive& Instance();

    CLoadedLibrary m_library;
};

} // namespace quillora
