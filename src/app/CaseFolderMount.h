// The program's mount of its case as a folder: under $XDG_RUNTIME_DIR/quillora/, served
// on a thread of its own, gone when the case closes, another one is mounted or the
// program ends.
#pragma once

#include "mount/CCaseMount.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace quillora {

class CArchiveExpander;

class CCaseFolderMount {
public:
    CCaseFolderMount() = default;
    ~CCaseFolderMount();
    CCaseFolderMount(const CCaseFolderMount&) = delete;
    CCaseFolderMount& operator=(const CCaseFolderMount&) = delete;

    // Mounts the case file at `casePath` (the mount of another case goes first) and
    // returns the folder; empty with *error when it could not be mounted.
    std::string Open(const std::string& casePath, const std::string& password,
                     CArchiveExpander* archives, std::string* error);
    // Unmounts and removes the folder. A folder still in use (a file manager inside
    // it) is detached at once and served until its last user leaves, without waiting.
    void Close();
    bool IsOpen() const { return m_pMount != nullptr; }
    // The case file and the folder of the open mount (empty when none).
    const std::string& CasePath() const { return m_strCasePath; }
    const std::string& Folder() const { return m_strFolder; }

    // The folder a case is mounted at: $XDG_RUNTIME_DIR/quillora/<case file name>
    // ($TMPDIR when no runtime folder is set), or "<case file name> (2)" and on while
    // a case of the same name (from another folder, by another program) is mounted
    // there.
    static std::string FolderFor(const std::string& casePath);

    // Shows `folder` in the desktop's file manager through xdg-open (found on PATH),
    // else through Qt's desktop services; false when neither could start.
    static bool ShowInFileManager(const std::string& folder);
    // How many mounts of this process are still served, detached ones included.
    static int ServingCount();
    // Waits up to `limit` for every mount to stop serving; false when one still does.
    static bool WaitUntilNoneServes(std::chrono::milliseconds limit);

private:
    // Shared with the serving thread, which may outlive a detached mount's Close.
    std::shared_ptr<CCaseMount> m_pMount;
    std::thread m_thread;
    std::string m_strFolder;
    std::string m_strCasePath;
};

} // namespace quillora
