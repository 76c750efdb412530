// Watches one case file for being written or replaced, and calls back on its own thread
// once the changes have settled.
#pragma once

#include "core/UniqueFd.h"

#include <functional>
#include <string>
#include <thread>

namespace quillora {

class CCaseFileWatcher {
public:
    CCaseFileWatcher() = default;
    // Stops the thread.
    ~CCaseFileWatcher();
    CCaseFileWatcher(const CCaseFileWatcher&) = delete;
    CCaseFileWatcher& operator=(const CCaseFileWatcher&) = delete;

    // Starts watching `path` (absolute): `changed` runs on the watcher's thread after a
    // write to the file closes or another file is renamed over it, once no further change
    // came for a moment (a save is several steps). False with *error when the folder
    // cannot be watched.
    bool Start(const std::string& path, std::function<void()> changed, std::string* error);
    void Stop();

private:
    void Run();

    std::string m_strName;
    std::function<void()> m_changed;
    CUniqueFd m_inotify;
    CUniqueFd m_stop; // an eventfd that ends the thread
    std::thread m_thread;
};

} // namespace quillora
