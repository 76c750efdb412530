// A file written beside its target and put in the target's place only once complete,
// so that a failed or killed save never harms the file it was to replace. It also
// decides what may be replaced: symbolic links are followed to the real file, and
// anything but a regular file, or a read-only one, is refused.
#pragma once

#include "core/UniqueFd.h"

#include <string>

namespace quillora {

class CAtomicFile {
public:
    CAtomicFile() = default;
    // Discards the new file unless it was committed.
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Starts the new file for `path`. Follows symbolic links at `path` to the file they
    // name (which need not exist yet) and writes in that file's folder. Throws
    // CFileException when the target is not a regular file, is read-only (no write
    // permission bit, or not writable by this user), or the folder takes no new file.
    // Stale temporary files of earlier, killed writers in that folder are removed first.
    void Open(const std::string& path);

    // The new file, open for reading and writing, under an exclusive lock (flock) of
    // this object. Writers may write through it or a duplicate of it.
    int Fd() const { return m_fd.Get(); }
    // The real target (the end of the link chain at the path given to Open).
    const std::string& TargetPath() const { return m_strTarget; }

    // Makes the data durable and puts the new file in the target's place, with the old
    // file's permissions and (where allowed) owner. Throws CFileException when that
    // fails; the old file is then untouched and the new one discarded.
    void Commit();
    // Discards the new file.
    void Abort();

    // After Commit: the descriptor of the new file, still holding this object's
    // exclusive lock, for a caller that keeps the file locked; -1 before.
    CUniqueFd TakeLockedFd();

    // Removes temporary files of our own naming in `folder` whose writer is gone (no
    // process holds their lock). Returns how many were removed.
    static int RemoveStaleTemporaries(const std::string& folder);

    // Whether files are written as unnamed files (O_TMPFILE) where the folder allows
    // it; off, a named temporary file is used everywhere. For tests of that path.
    static void SetUnnamedFiles(bool allowed);

private:
    void OpenUnnamed(const std::string& folder);
    void OpenNamed(const std::string& folder);
    void Publish();

    CUniqueFd m_fd;
    std::string m_strTarget;
    std::string m_strFolder;
    // The temporary name, while the new file has one.
    std::string m_strTempPath;
    bool m_bUnnamed = false;
    bool m_bCommitted = false;
    bool m_bHadOld = false;
    unsigned m_nOldMode = 0;
    unsigned m_nOldUid = 0;
    unsigned m_nOldGid = 0;
};

} // namespace quillora
