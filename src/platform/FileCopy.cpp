// One file copied through a temporary file beside its destination.
#include "platform/FileCopy.h"

#include "core/UniqueFd.h"
#include "core/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillora {

namespace {

bool Older(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

ECopyResult Fail(std::string* error, const std::string& path, const char* reason) {
    if (error) {
        *error = path + ": " + reason;
    }
    return ECopyResult::Failed;
}

// Whether the destination may be replaced now: it is missing, or the options allow
// replacing what is there. A folder is never replaced.
enum class EVerdict { Replace, Keep, IsFolder };
EVerdict Judge(const std::string& destination, const struct stat& source,
               const SFileCopyOptions& options) {
    struct stat now {};
    if (::stat(destination.c_str(), &now) != 0) {
        return EVerdict::Replace;
    }
    if (S_ISDIR(now.st_mode)) {
        return EVerdict::IsFolder;
    }
    if (options.m_replace == ECopyReplace::Always || Older(now.st_mtim, source.st_mtim)) {
        return EVerdict::Replace;
    }
    return EVerdict::Keep;
}

} // namespace

ECopyResult CopyFileAtomically(const std::string& source, const std::string& destination,
                               const SFileCopyOptions& options, const CopyProgressFn& progress,
                               std::string* error) {
    CUniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat src {};
    if (in.Get() < 0) {
        return Fail(error, source, std::strerror(errno));
    }
    if (::fstat(in.Get(), &src) != 0 || !S_ISREG(src.st_mode)) {
        return Fail(error, source, "not a regular file");
    }
    struct stat existing {};
    const bool existed = ::stat(destination.c_str(), &existing) == 0;
    switch (Judge(destination, src, options)) {
    case EVerdict::IsFolder:
        return Fail(error, destination, std::strerror(EISDIR));
    case EVerdict::Keep:
        return ECopyResult::Skipped;
    case EVerdict::Replace:
        break;
    }

    // A short name beside the destination, so that a destination name of up to 255
    // bytes still leaves room for its temporary.
    const std::size_t slash = destination.rfind('/');
    std::string temp =
        (slash == std::string::npos ? std::string() : destination.substr(0, slash + 1)) +
        ".qXXXXXX";
    CUniqueFd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.Get() < 0) {
        return Fail(error, destination, std::strerror(errno));
    }
    auto discard = [&](ECopyResult result) {
        ::unlink(temp.c_str());
        return result;
    };
    std::vector<char> buffer(1 << 17);
    for (;;) {
        ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            Fail(error, source, std::strerror(errno));
            return discard(ECopyResult::Failed);
        }
        if (n == 0) {
            break;
        }
        if (!WriteAll(out.Get(), std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
            Fail(error, destination, std::strerror(errno));
            return discard(ECopyResult::Failed);
        }
        if (progress && !progress(static_cast<std::uint64_t>(n))) {
            return discard(ECopyResult::Cancelled);
        }
    }
    mode_t mode = 0644;
    if (options.m_bKeepMode) {
        mode = existed ? (existing.st_mode & 07777) : ((src.st_mode & 0777) | S_IWUSR);
    }
    ::fchmod(out.Get(), mode);
    if (options.m_bKeepTimes) {
        const struct timespec times[2] = {src.st_atim, src.st_mtim};
        ::futimens(out.Get(), times);
    }
    // A file that is replaced must not give way to one whose bytes are not on disk yet.
    if (existed && ::fsync(out.Get()) != 0) {
        Fail(error, destination, std::strerror(errno));
        return discard(ECopyResult::Failed);
    }
    if (!out.Close()) {
        Fail(error, destination, std::strerror(errno));
        return discard(ECopyResult::Failed);
    }

    if (options.m_replace == ECopyReplace::IfOlder) {
        // What was missing must still be missing; otherwise judge again what is there.
        if (!existed && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, destination.c_str(),
                                    RENAME_NOREPLACE) == 0) {
            return ECopyResult::Copied;
        }
        switch (Judge(destination, src, options)) {
        case EVerdict::IsFolder:
            Fail(error, destination, std::strerror(EISDIR));
            return discard(ECopyResult::Failed);
        case EVerdict::Keep:
            return discard(ECopyResult::Skipped);
        case EVerdict::Replace:
            break;
        }
    }
    if (::rename(temp.c_str(), destination.c_str()) != 0) {
        Fail(error, destination, std::strerror(errno));
        return discard(ECopyResult::Failed);
    }
    return ECopyResult::Copied;
}

} // namespace quillora
