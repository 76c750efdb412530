// Writing stored contents out and loading them from the medium or an archive.
#include "model/StoredContents.h"

#include "core/UniqueFd.h"
#include "core/WriteAll.h"
#include "model/MediumPath.h"

#include "model/CaseEditing.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillora {

namespace {

IArchiveEntryExtractor* g_extractor = nullptr;

bool Fail(std::string* error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
    return false;
}

bool FailErrno(std::string* error, const std::string& path) {
    return Fail(error, path + ": " + std::strerror(errno));
}

std::string JoinOs(std::string folder, const std::string& name) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder + name;
}

// A file name that stays inside the folder it is joined to.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& data, std::string* error) {
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        return FailErrno(error, path);
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return FailErrno(error, path);
    }
    if (!S_ISREG(st.st_mode)) {
        return Fail(error, path + ": not a regular file");
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxStoredContents) {
        return Fail(error, path + ": too large to keep in the case (" + std::to_string(st.st_size) +
                               " bytes; a record keeps at most 1 GiB)");
    }
    auto length = static_cast<std::size_t>(st.st_size);
    std::vector<std::uint8_t> buffer(length);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = ::read(fd.Get(), buffer.data() + done, length - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return FailErrno(error, path);
        }
        if (n == 0) {
            return Fail(error, path + ": read " + std::to_string(done) + " of " +
                                   std::to_string(length) + " bytes");
        }
        done += static_cast<std::size_t>(n);
    }
    data = std::move(buffer);
    return true;
}

// Whether `path` lies strictly below `folder` (both taken lexically).
bool IsBelow(const std::filesystem::path& folder, const std::filesystem::path& path) {
    std::filesystem::path f = folder.lexically_normal();
    std::filesystem::path p = path.lexically_normal();
    auto fi = f.begin();
    auto pi = p.begin();
    for (; fi != f.end() && !fi->empty(); ++fi, ++pi) {
        if (pi == p.end() || *fi != *pi) {
            return false;
        }
    }
    return pi != p.end();
}

// Removes the extracted file, then the folders between it and the extraction folder,
// innermost first, stopping at the first that cannot be removed (not empty).
void RemoveExtracted(const std::filesystem::path& folder, const std::filesystem::path& file) {
    ::unlink(file.c_str());
    for (std::filesystem::path dir = file.lexically_normal().parent_path(); IsBelow(folder, dir);
         dir = dir.parent_path()) {
        if (::rmdir(dir.c_str()) != 0) {
            break;
        }
    }
}

bool LoadFromArchive(SFileInfo& record, const std::string& folder, std::string* error) {
    SFileInfo* archive = OutermostArchive(record);
    if (!archive) {
        return Fail(error, record.GetPath() + ": the archive holding the entry is not in the case");
    }
    IArchiveEntryExtractor* extractor = ArchiveEntryExtractor();
    if (!extractor) {
        return Fail(error, record.GetPath() +
                               ": the file lies inside an archive, and no archive extraction is "
                               "available to read it");
    }
    std::string archivePath = RecordOsPath(*archive);
    if (archivePath.empty()) {
        return Fail(error, archive->GetPath() + ": the medium is not present");
    }
    std::string extracted;
    std::string reason;
    if (!extractor->ExtractEntry(*archive, archivePath, PathInsideArchive(record), folder,
                                 &extracted, &reason)) {
        return Fail(error,
                    reason.empty() ? archivePath + ": the entry could not be extracted" : reason);
    }
    if (!IsBelow(folder, extracted)) {
        return Fail(error, extracted + ": extracted outside the extraction folder");
    }
    std::vector<std::uint8_t> data;
    bool ok = ReadWhole(extracted, data, error);
    RemoveExtracted(folder, extracted);
    if (ok) {
        record.SetData(std::move(data));
    }
    return ok;
}

} // namespace

void SetArchiveEntryExtractor(IArchiveEntryExtractor* extractor) {
    g_extractor = extractor;
}

IArchiveEntryExtractor* ArchiveEntryExtractor() {
    return g_extractor;
}

bool WriteStoredContents(const SFileInfo& record, const std::string& folder,
                         std::string* writtenPath, std::string* error) {
    if (record.IsDirectory()) {
        return Fail(error, record.GetName() + ": a folder has no stored contents");
    }
    const std::vector<std::uint8_t>& data = record.Data();
    if (data.empty()) {
        return Fail(error, record.GetName() + ": no stored contents");
    }
    std::string name = OsNameFromModel(record.GetName());
    if (!IsPlainName(name)) {
        return Fail(error, record.GetName() + ": not a usable file name");
    }
    std::string path = JoinOs(folder, name);
    if (writtenPath) {
        *writtenPath = path;
    }
    // No following a link planted under the predictable name in a shared folder.
    CUniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd.Get() < 0) {
        return FailErrno(error, path);
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    int writeError = WriteAll(fd.Get(), bytes) ? 0 : errno;
    if (!fd.Close() && writeError == 0) {
        writeError = errno;
    }
    if (writeError != 0) {
        ::unlink(path.c_str());
        errno = writeError;
        return FailErrno(error, path);
    }
    return true;
}

bool LoadStoredContents(SFileInfo& record, const std::string& folder, std::string* error) {
    if (record.IsDirectory()) {
        return Fail(error, record.GetName() + ": a folder has no contents to load");
    }
    // Entries read from very old case files lack the entry bit; what counts is
    // that an archive above holds the record.
    if (record.IsInsideArchive() && OutermostArchive(record) != &record) {
        return LoadFromArchive(record, folder, error);
    }
    std::string path = RecordOsPath(record);
    if (path.empty()) {
        return Fail(error, record.GetPath() + ": the medium is not present");
    }
    std::vector<std::uint8_t> data;
    if (!ReadWhole(path, data, error)) {
        return false;
    }
    record.SetData(std::move(data));
    return true;
}

} // namespace quillora
