// An advisory lock (flock) on a case file, so that programs that read, change and
// save the same case take turns instead of losing each other's changes. A save puts
// a new file in the old one's place, so the lock is always taken on the file the path
// names at that moment: once it is held the path is looked at again, and a lock on a
// file that was replaced in the meantime is let go and taken on the new one.
#pragma once

#include "core/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillora {

// What tells one state of a file from another: which file it is, its size and its
// modification time.
struct SCaseFileFacts {
    std::uint64_t m_nDevice = 0;
    std::uint64_t m_nInode = 0;
    std::uint64_t m_nSize = 0;
    std::int64_t m_nModifiedNs = 0;

    bool operator==(const SCaseFileFacts&) const = default;

    // The facts of the file at `path` (links followed); nullopt when there is none.
    static std::optional<SCaseFileFacts> OfPath(const std::string& path);
    static std::optional<SCaseFileFacts> OfFd(int fd);
};

class CCaseLock {
public:
    enum class EKind { Shared, Exclusive };
    enum class EResult {
        Held,        // the lock is held
        Busy,        // another program holds a lock that excludes this one (no waiting asked)
        NoFile,      // nothing at the path: nothing to lock
        Unsupported, // the file system takes no locks (the caller goes on without)
    };

    CCaseLock() = default;
    CCaseLock(CCaseLock&& other) noexcept;
    CCaseLock& operator=(CCaseLock&& other) noexcept;
    ~CCaseLock();

    // Locks the file at `path` (links followed). With `wait`, blocks while another
    // program holds a conflicting lock, after calling `waiting` once. Throws
    // CFileException when the file cannot be opened or is not a regular file. Any
    // lock held before is let go first.
    EResult Acquire(const std::string& path, EKind kind, bool wait,
                    const std::function<void()>& waiting = {});
    // Locks the case file at `path` exclusively for a command that will write it, also
    // when there is none yet: then an empty file is made there and locked, so that a
    // second program creating the same case waits instead of losing one of the two.
    // The empty file goes again when the lock is let go and nothing was saved over it.
    // Results and errors as Acquire; CreatedFile() tells that the file was made here.
    EResult AcquireForWrite(const std::string& path, bool wait,
                            const std::function<void()>& waiting = {});
    bool CreatedFile() const { return !m_strCreated.empty(); }

    // Takes over `fd`, a file this program just saved (and holds exclusively), and
    // keeps it with a lock of `kind`; the lock held before is let go.
    void Adopt(CUniqueFd fd, EKind kind);
    void Release();

    bool IsHeld() const { return m_fd.Get() >= 0; }
    // The locked file's facts when the lock was taken.
    const SCaseFileFacts& Facts() const { return m_facts; }

private:
    CUniqueFd m_fd;
    SCaseFileFacts m_facts;
    std::string m_strCreated; // the empty file this lock made, removed on release if unused
};

} // namespace quillora
