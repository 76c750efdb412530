// Loading libarchive by its soname, as the package depends on it.
#include "scan/CLibArchive.h"

#include <dlfcn.h>

namespace quillora {

const CLibArchive& CLibArchive::Instance() {
    static const CLibArchive library;
    return library;
}

const CLibArchive* CLibArchive::Find() {
    const CLibArchive& library = Instance();
    return library.m_strError.empty() ? &library : nullptr;
}

const std::string& CLibArchive::LoadError() {
    return Instance().m_strError;
}

template <class Fn> void CLibArchive::Bind(Fn& target, const char* name) {
    target = reinterpret_cast<Fn>(::dlsym(m_handle, name));
    if (!target && m_strError.empty()) {
        m_strError = std::string("archives need ") + kSoname + ", which has no " + name;
    }
}

// The handle is never closed: archives may be read until the end.
CLibArchive::CLibArchive() : m_handle(::dlopen(kSoname, RTLD_NOW | RTLD_LOCAL)) {
    if (!m_handle) {
        const char* why = ::dlerror();
        m_strError = std::string("archives need libarchive (package libarchive13): ") +
                     (why ? why : kSoname);
        return;
    }
    Bind(m_entryAtime, "archive_entry_atime");
    Bind(m_entryAtimeIsSet, "archive_entry_atime_is_set");
    Bind(m_entryAtimeNsec, "archive_entry_atime_nsec");
    Bind(m_entryBirthtime, "archive_entry_birthtime");
    Bind(m_entryBirthtimeIsSet, "archive_entry_birthtime_is_set");
    Bind(m_entryBirthtimeNsec, "archive_entry_birthtime_nsec");
    Bind(m_entryFiletype, "archive_entry_filetype");
    Bind(m_entryHardlink, "archive_entry_hardlink");
    Bind(m_entryMtime, "archive_entry_mtime");
    Bind(m_entryMtimeIsSet, "archive_entry_mtime_is_set");
    Bind(m_entryMtimeNsec, "archive_entry_mtime_nsec");
    Bind(m_entryPathname, "archive_entry_pathname");
    Bind(m_entryPathnameUtf8, "archive_entry_pathname_utf8");
    Bind(m_entryPerm, "archive_entry_perm");
    Bind(m_entrySize, "archive_entry_size");
    Bind(m_entrySizeIsSet, "archive_entry_size_is_set");
    Bind(m_entrySymlink, "archive_entry_symlink");
    Bind(m_errorString, "archive_error_string");
    Bind(m_filterCode, "archive_filter_code");
    Bind(m_filterCount, "archive_filter_count");
    Bind(m_format, "archive_format");
    Bind(m_readDataBlock, "archive_read_data_block");
    Bind(m_readFree, "archive_read_free");
    Bind(m_readHeaderPosition, "archive_read_header_position");
    Bind(m_readNew, "archive_read_new");
    Bind(m_readNextHeader, "archive_read_next_header");
    Bind(m_readOpenFd, "archive_read_open_fd");
    Bind(m_readSetOptions, "archive_read_set_options");
    Bind(m_readSupportFilterCompress, "archive_read_support_filter_compress");
    Bind(m_readSupportFilterGzip, "archive_read_support_filter_gzip");
    Bind(m_readSupportFormatCab, "archive_read_support_format_cab");
    Bind(m_readSupportFormatLha, "archive_read_support_format_lha");
    Bind(m_readSupportFormatRar, "archive_read_support_format_rar");
    Bind(m_readSupportFormatRar5, "archive_read_support_format_rar5");
    Bind(m_readSupportFormatRaw, "archive_read_support_format_raw");
    Bind(m_readSupportFormatTar, "archive_read_support_format_tar");
    Bind(m_readSupportFormatZipSeekable, "archive_read_support_format_zip_seekable");
    Bind(m_versionNumber, "archive_version_number");
}

} // namespace quillora
