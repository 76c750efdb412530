// Unique private folders below the work folder, made with mkdtemp and locked.
#include "scan/PrivateWorkFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <vector>

namespace quillora {

namespace {

constexpr char kPrefix[] = "quillora-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kRandomLength = 6;
constexpr std::time_t kQuietSeconds = 60;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Each base is cleaned once per process: archive expansion makes many folders.
void RemoveStaleFoldersOnce(const std::string& base) {
    static std::mutex lock;
    static std::set<std::string> cleaned;
    {
        std::lock_guard guard(lock);
        if (!cleaned.insert(base).second) {
            return;
        }
    }
    CPrivateWorkFolder::RemoveStaleFolders(base);
}

} // namespace

int CPrivateWorkFolder::RemoveStaleFolders(const std::string& base) {
    CUniqueFd baseFd(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (baseFd.Get() < 0) {
        return 0;
    }
    DIR* dir = ::fdopendir(::fcntl(baseFd.Get(), F_DUPFD_CLOEXEC, 0));
    if (!dir) {
        return 0;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kPrefix, kPrefixLength) == 0 &&
            std::strlen(entry->d_name) == kPrefixLength + kRandomLength) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(dir);
    int removed = 0;
    const std::time_t now = std::time(nullptr);
    for (const std::string& name : names) {
        CUniqueFd folder(
            ::openat(baseFd.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat held {
        }, named{};
        if (folder.Get() < 0 || ::fstat(folder.Get(), &held) != 0 || held.st_uid != ::geteuid() ||
            now - held.st_mtime < kQuietSeconds || ::flock(folder.Get(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        if (::fstatat(baseFd.Get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            !SameFile(held, named)) {
            continue;
        }
        std::error_code ec;
        if (std::filesystem::remove_all(std::filesystem::path(base) / name, ec) > 0 && !ec) {
            ++removed;
        }
    }
    return removed;
}

CPrivateWorkFolder::~CPrivateWorkFolder() {
    Remove();
}

bool CPrivateWorkFolder::Create(const std::string& base, std::string* error) {
    Remove();
    std::string folder = base.empty() ? std::string("./") : base;
    if (folder.back() != '/') {
        folder += '/';
    }
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        if (error) {
            *error = folder + ": " + std::strerror(errno);
        }
        return false;
    }
    RemoveStaleFoldersOnce(folder);
    const std::string pattern = folder + kPrefix + "XXXXXX";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (::mkdtemp(buffer.data()) == nullptr) {
            if (error) {
                *error = pattern + ": " + std::strerror(errno);
            }
            return false;
        }
        // Locked, the folder is known to be in use; should another program's clean-up
        // have taken it between the two steps, it is gone and another one is made.
        CUniqueFd lock(::open(buffer.data(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat held {
        }, named{};
        if (lock.Get() < 0 || ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 ||
            ::fstat(lock.Get(), &held) != 0 || ::lstat(buffer.data(), &named) != 0 ||
            !SameFile(held, named)) {
            continue;
        }
        m_lock = std::move(lock);
        m_strPath = std::string(buffer.data()) + '/';
        return true;
    }
    if (error) {
        *error = pattern + ": no folder could be made";
    }
    return false;
}

void CPrivateWorkFolder::Remove() {
    if (m_strPath.empty()) {
        return;
    }
    // remove_all removes links themselves and never follows them out of the folder.
    std::error_code ec;
    std::filesystem::remove_all(m_strPath, ec);
    m_strPath.clear();
    m_lock = CUniqueFd();
}

} // namespace quillora
