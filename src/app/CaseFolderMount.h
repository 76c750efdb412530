// The program's mount of its case as a folder: under $XDG_RUNTIME_DIR/quillora/, served
// on a thread of its own, gone when the program ends or another case is mounted.
#pragma once

#include "mount/CCaseMount.h"

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
    // Unmounts and waits for the serving thread.
    void Close();
    bool IsOpen() const { return m_mount != nullptr; }

    // The folder a case is mounted at: $XDG_RUNTIME_DIR/quillora/<case file name>
    // ($TMPDIR when no runtime folder is set).
    static std::string FolderFor(const std::string& casePath);

private:
    std::unique_ptr<CCaseMount> m_mount;
    std::thread m_thread;
    std::string m_strFolder;
};

} // namespace quillora
