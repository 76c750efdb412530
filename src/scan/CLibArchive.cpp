// Loading libarchive by its soname, as the package depends on it.
#include "scan/CLibArchive.h"

namespace quillora {

const CLibArchive& CLibArchive::Instance() {
    static const CLibArchive library;
    return library;
}

const CLibArchive* CLibArchive::Find() {
    const CLibArchive& library = Instance();
    return library.m_library.Error().empty() ? &library : nullptr;
}

const std::string& CLibArchive::LoadError() {
    return Instance().m_library.Error();
}

CLibArchive::CLibArchive() : m_library(kSoname, "archives need", "libarchive", "libarchive13") {
    m_library.Bind(m_entryAtime, "archive_entry_atime");
    m_library.Bind(m_entryAtimeIsSet, "archive_entry_atime_is_set");
    m_library.Bind(m_entryAtimeNsec, "archive_entry_atime_nsec");
    m_library.Bind(m_entryBirthtime, "archive_entry_birthtime");
    m_library.Bind(m_entryBirthtimeIsSet, "archive_entry_birthtime_is_set");
    m_library.Bind(m_entryBirthtimeNsec, "archive_entry_birthtime_nsec");
    m_library.Bind(m_entryFiletype, "archive_entry_filetype");
    m_library.Bind(m_entryHardlink, "archive_entry_hardlink");
    m_library.Bind(m_entryMtime, "archive_entry_mtime");
    m_library.Bind(m_entryMtimeIsSet, "archive_entry_mtime_is_set");
    m_library.Bind(m_entryMtimeNsec, "archive_entry_mtime_nsec");
    m_library.Bind(m_entryPathname, "archive_entry_pathname");
    m_library.Bind(m_entryPathnameUtf8, "archive_entry_pathname_utf8");
    m_library.Bind(m_entryPerm, "archive_entry_perm");
    m_library.Bind(m_entrySize, "archive_entry_size");
    m_library.Bind(m_entrySizeIsSet, "archive_entry_size_is_set");
    m_library.Bind(m_entrySymlink, "archive_entry_symlink");
    m_library.Bind(m_errorString, "archive_error_string");
    m_library.Bind(m_filterCode, "archive_filter_code");
    m_library.Bind(m_filterCount, "archive_filter_count");
    m_library.Bind(m_format, "archive_format");
    m_library.Bind(m_readDataBlock, "archive_read_data_block");
    m_library.Bind(m_readFree, "archive_read_free");
    m_library.Bind(m_readHeaderPosition, "archive_read_header_position");
    m_library.Bind(m_readNew, "archive_read_new");
    m_library.Bind(m_readNextHeader, "archive_read_next_header");
    m_library.Bind(m_readOpenFd, "archive_read_open_fd");
    m_library.Bind(m_readSetOptions, "archive_read_set_options");
    m_library.Bind(m_readSupportFilterCompress, "archive_read_support_filter_compress");
    m_library.Bind(m_readSupportFilterGzip, "archive_read_support_filter_gzip");
    m_library.Bind(m_readSupportFormatCab, "archive_read_support_format_cab");
    m_library.Bind(m_readSupportFormatLha, "archive_read_support_format_lha");
    m_library.Bind(m_readSupportFormatRar, "archive_read_support_format_rar");
    m_library.Bind(m_readSupportFormatRar5, "archive_read_support_format_rar5");
    m_library.Bind(m_readSupportFormatRaw, "archive_read_support_format_raw");
    m_library.Bind(m_readSupportFormatTar, "archive_read_support_format_tar");
    m_library.Bind(m_readSupportFormatZipSeekable, "archive_read_support_format_zip_seekable");
    m_library.Bind(m_versionNumber, "archive_version_number");
}

} // namespace quillora
