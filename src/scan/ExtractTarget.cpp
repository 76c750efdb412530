// The extraction folder: component-wise opening with O_NOFOLLOW, links checked before
// they are made, names replaced in one rename.
#include "scan/ExtractTarget.h"

#include "scan/ExtractedFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsPlainComponent(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// Whether `target`, read from the folder `depth` levels below the extraction folder,
// names something inside it.
bool LinkStaysInside(std::size_t depth, const std::string& target) {
    if (target.empty() || target.front() == '/') {
        return false;
    }
    std::size_t level = depth;
    std::size_t start = 0;
    while (start <= target.size()) {
        std::size_t end = target.find('/', start);
        if (end == std::string::npos) {
            end = target.size();
        }
        std::string_view component(target.data() + start, end - start);
        if (component == "..") {
            if (level == 0) {
                return false;
            }
            --level;
        } else if (!component.empty() && component != ".") {
            ++level;
        }
        start = end + 1;
    }
    return true;
}

unsigned ReadUmask() {
    // /proc tells the umask without changing it (setting it to read it back would
    // race with other threads creating files).
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (std::fgets(line, sizeof line, f)) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                found = true;
                break;
            }
        }
        std::fclose(f);
        if (found) {
            return mask & 0777;
        }
    }
    return 022;
}

} // namespace

unsigned CExtractTarget::DefaultMode() {
    static const unsigned mode = 0777 & ~ReadUmask();
    return mode;
}

bool CExtractTarget::Fail(const std::string& text) {
    m_strError = text;
    return false;
}

bool CExtractTarget::Open(const std::string& folder) {
    m_strError.clear();
    m_strPath = folder;
    while (m_strPath.size() > 1 && m_strPath.back() == '/') {
        m_strPath.pop_back();
    }
    if (m_strPath.empty()) {
        return Fail("no extraction folder given");
    }
    std::error_code ec;
    std::filesystem::create_directories(m_strPath, ec);
    const int fd = ::open(m_strPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Fail(m_strPath + ": " + std::strerror(errno));
    }
    m_fd = CUniqueFd(fd);
    return true;
}

std::string CExtractTarget::Shown(const std::vector<std::string>& folders) const {
    std::string path = m_strPath;
    for (const std::string& folder : folders) {
        path += '/';
        path += folder;
    }
    return path;
}

std::string CExtractTarget::Shown(const SExtractedParts& parts) const {
    return Shown(parts.m_folders) + "/" + parts.m_strLeaf;
}

CUniqueFd CExtractTarget::OpenFolder(const std::vector<std::string>& folders, bool create) {
    if (m_fd.Get() < 0) {
        Fail("extraction folder not open");
        return CUniqueFd();
    }
    CUniqueFd current(::fcntl(m_fd.Get(), F_DUPFD_CLOEXEC, 0));
    std::vector<std::string> walked;
    for (const std::string& name : folders) {
        walked.push_back(name);
        if (!IsPlainComponent(name)) {
            Fail(Shown(walked) + ": not a name a folder can have");
            return CUniqueFd();
        }
        int next = ::openat(current.Get(), name.c_str(), kFolderFlags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(current.Get(), name.c_str(), 0777) != 0 && errno != EEXIST) {
                Fail(Shown(walked) + ": " + std::strerror(errno));
                return CUniqueFd();
            }
            next = ::openat(current.Get(), name.c_str(), kFolderFlags);
        }
        if (next < 0) {
            const int error = errno;
            Fail(Shown(walked) + ": " +
                 (error == ELOOP || error == ENOTDIR
                      ? std::string("a symbolic link or a file is in the way of a folder")
                      : std::string(std::strerror(error))));
            return CUniqueFd();
        }
        current = CUniqueFd(next);
    }
    return current;
}

template <typename Make>
bool CExtractTarget::ReplaceWith(int folderFd, const std::string& name, Make makeAt) {
    if (makeAt(name) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        return false;
    }
    for (int attempt = 0; attempt < 32; ++attempt) {
        const std::string temp = CExtractedFile::TempName();
        if (makeAt(temp) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        if (::renameat(folderFd, temp.c_str(), folderFd, name.c_str()) != 0) {
            const int error = errno;
            ::unlinkat(folderFd, temp.c_str(), 0);
            errno = error;
            return false;
        }
        return true;
    }
    errno = EEXIST;
    return false;
}

bool CExtractTarget::MakeSymlink(const SExtractedParts& parts, const std::string& linkTarget) {
    if (!LinkStaysInside(parts.m_folders.size(), linkTarget)) {
        return Fail(Shown(parts) + ": the link would lead outside the extraction folder");
    }
    CUniqueFd folder = OpenFolder(parts.m_folders, true);
    if (folder.Get() < 0) {
        return false;
    }
    const int fd = folder.Get();
    if (!ReplaceWith(fd, parts.m_strLeaf, [&](const std::string& name) {
            return ::symlinkat(linkTarget.c_str(), fd, name.c_str());
        })) {
        return Fail(Shown(parts) + ": " + std::strerror(errno));
    }
    return true;
}

bool CExtractTarget::MakeHardLink(const SExtractedParts& parts, const SExtractedParts& existing) {
    CUniqueFd from = OpenFolder(existing.m_folders, false);
    if (from.Get() < 0) {
        return false;
    }
    CUniqueFd to = OpenFolder(parts.m_folders, true);
    if (to.Get() < 0) {
        return false;
    }
    const int fromFd = from.Get();
    const int toFd = to.Get();
    // linkat without AT_SYMLINK_FOLLOW links a symbolic link itself, never its target.
    if (!ReplaceWith(toFd, parts.m_strLeaf, [&](const std::string& name) {
            return ::linkat(fromFd, existing.m_strLeaf.c_str(), toFd, name.c_str(), 0);
        })) {
        return Fail(Shown(parts) + ": " + std::strerror(errno));
    }
    return true;
}

} // namespace quillora
