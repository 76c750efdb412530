// Byte comparison of matches: the media are checked for presence once, as a case of
// their own records would be, and the files compared in blocks.
#include "report/CCopiesVerifier.h"

#include "core/UniqueFd.h"
#include "model/CCDCase.h"
#include "model/MediumPath.h"
#include "model/SVolumeInfo.h"
#include "platform/OsPath.h"
#include "report/CCopiesPaths.h"
#include "report/CCopiesReport.h"
#include "scan/MediaPresence.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillora {

namespace {

// Reads up to `count` bytes, going on after short reads; -1 on an error.
ssize_t ReadFull(int fd, char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, buffer + got, count - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

} // namespace

CCopiesVerifier::CCopiesVerifier(const CCopiesReport& report, DriveSource drives,
                                 SDriveChoice choice) {
    // A case of shells, one per medium, with what presence is decided by.
    CCDCase shelf;
    std::vector<SVolumeInfo*> shells;
    for (const SCopiesMedium& medium : report.Media()) {
        auto shell = std::make_unique<SVolumeInfo>();
        shell->m_dwFlags = medium.m_dwFlags;
        shell->m_strName = medium.m_strName;
        shell->m_strLabel = medium.m_strLabel;
        shell->m_strOrgLabel = medium.m_strOrgLabel;
        shell->m_dwSerial = medium.m_dwSerial;
        shells.push_back(static_cast<SVolumeInfo*>(shelf.AddChild(std::move(shell))));
    }
    CMediaPresence presence(std::move(drives), choice);
    presence.CheckDeviceIN(shelf);
    m_folders.reserve(shells.size());
    for (SVolumeInfo* shell : shells) {
        m_folders.push_back(shell->MatchMedium(0, nullptr) ? MediumOsFolder(*shell)
                                                           : std::string());
    }
}

std::size_t CCopiesVerifier::MountedCount() const {
    return static_cast<std::size_t>(std::count_if(m_folders.begin(), m_folders.end(),
                                                  [](const std::string& f) { return !f.empty(); }));
}

std::string CCopiesVerifier::OsPathOf(const SCopiesRef& ref, const CCopiesPaths& paths) const {
    const std::string& folder = m_folders.at(ref.m_nMedium);
    const std::string* relative = paths.RelativePathOf(ref);
    if (folder.empty() || !relative) {
        return {};
    }
    return OsPathBelow(folder, *relative);
}

bool CCopiesVerifier::SameBytes(const std::string& a, const std::string& b, bool& unreadable) {
    unreadable = false;
    CUniqueFd first(::open(a.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    CUniqueFd second(::open(b.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat sa {
    }, sb{};
    if (first.Get() < 0 || second.Get() < 0 || ::fstat(first.Get(), &sa) != 0 ||
        ::fstat(second.Get(), &sb) != 0 || !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode)) {
        unreadable = true;
        return false;
    }
    if (sa.st_size != sb.st_size) {
        return false;
    }
    constexpr std::size_t kBlock = 256 * 1024;
    std::vector<char> bufferA(kBlock), bufferB(kBlock);
    for (;;) {
        const ssize_t na = ReadFull(first.Get(), bufferA.data(), kBlock);
        const ssize_t nb = ReadFull(second.Get(), bufferB.data(), kBlock);
        if (na < 0 || nb < 0) {
            unreadable = true;
            return false;
        }
        if (na != nb ||
            std::memcmp(bufferA.data(), bufferB.data(), static_cast<std::size_t>(na)) != 0) {
            return false;
        }
        if (na == 0) {
            return true;
        }
    }
}

SCopiesVerdict CCopiesVerifier::Verify(const SCopiesContent& content,
                                       const CCopiesPaths& paths) const {
    SCopiesVerdict verdict;
    struct SGroup {
        std::string m_strPath; // the first file of the group
        std::vector<SCopiesRef> m_members;
    };
    std::vector<SGroup> groups;
    for (const SCopiesRef& ref : content.m_records) {
        const std::string path = OsPathOf(ref, paths);
        if (path.empty()) {
            continue;
        }
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            verdict.m_unreadable.push_back(ref);
            continue;
        }
        bool placed = false;
        bool unreadable = false;
        for (SGroup& group : groups) {
            if (SameBytes(group.m_strPath, path, unreadable)) {
                group.m_members.push_back(ref);
                placed = true;
                break;
            }
            if (unreadable) {
                break;
            }
        }
        if (unreadable) {
            verdict.m_unreadable.push_back(ref);
            continue;
        }
        ++verdict.m_nCompared;
        if (!placed) {
            groups.push_back({path, {ref}});
        }
    }
    if (groups.size() < 2) {
        return verdict;
    }
    std::size_t largest = 0;
    for (std::size_t i = 1; i < groups.size(); ++i) {
        if (groups[i].m_members.size() > groups[largest].m_members.size()) {
            largest = i;
        }
    }
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (i != largest) {
            verdict.m_differing.insert(verdict.m_differing.end(), groups[i].m_members.begin(),
                                       groups[i].m_members.end());
        }
    }
    std::sort(verdict.m_differing.begin(), verdict.m_differing.end(),
              [](const SCopiesRef& a, const SCopiesRef& b) {
                  return a.m_nMedium != b.m_nMedium ? a.m_nMedium < b.m_nMedium
                                                    : a.m_nOrdinal < b.m_nOrdinal;
              });
    return verdict;
}

} // namespace quillora
