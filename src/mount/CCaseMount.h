// A case mounted read-only as a folder tree through FUSE (the low-level interface): one
// folder per group and medium, the media's folders and files, archives as folders of
// their entries; reads pass through to present media; the case file is watched and the
// tree replaced whole when it changes.
#pragma once

#include "mount/CCaseFileWatcher.h"
#include "mount/CMediumFiles.h"
#include "mount/CNodeTable.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

struct fuse_session;

namespace quillora {

class CArchiveExpander;

struct SMountOptions {
    std::string m_strCasePath;
    std::string m_strPassword;
    std::string m_strMountPoint;
    // Let other users see the mount (needs "user_allow_other" in /etc/fuse.conf for
    // an ordinary user).
    bool m_bAllowOther = false;
    // Reads entries of archives; null: entries of archives cannot be opened.
    CArchiveExpander* m_pArchives = nullptr;
    // The drives whose media count as present.
    SDriveChoice m_drives;
};

class CCaseMount {
public:
    CCaseMount();
    // Unmounts when still mounted.
    ~CCaseMount();
    CCaseMount(const CCaseMount&) = delete;
    CCaseMount& operator=(const CCaseMount&) = delete;

    // Reads the case and mounts it. Throws what reading a case throws (a damaged file, a
    // wrong password); false with *error when the folder cannot be mounted (no FUSE,
    // not a folder, not allowed).
    bool Mount(const SMountOptions& options, std::string* error);

    // Goes into the background (the caller returns to its shell once the mount is
    // ready, which it is now). False when the fork failed.
    bool Daemonize();

    // Serves requests until the folder is unmounted (or, with `handleSignals`, SIGTERM,
    // SIGINT or SIGHUP comes), then unmounts. Watches the case file meanwhile. Returns
    // 0, or the error the session ended with.
    int Serve(bool handleSignals);

    // For a program that stops on those signals: blocks them in the calling thread from
    // before the mount until Serve(true) handles them, so that one sent as soon as the
    // folder is there is kept for Serve instead of ending the program with the folder
    // left mounted.
    static void BlockStopSignals();

    // Reads the case file again and shows the new tree, invalidating what the kernel
    // keeps of the old one. False (the old tree stays) when the file cannot be read.
    bool Reload(std::string* error = nullptr);

    // Counts the reloads that took effect.
    std::uint64_t Generation() const { return m_nGeneration; }
    const std::string& MountPoint() const { return m_options.m_strMountPoint; }

    // Unmounts the FUSE file system at `folder` (as root directly, otherwise through
    // fusermount3). False with *error when it was not unmounted.
    static bool Unmount(const std::string& folder, bool lazy, std::string* error);

    // The request handlers reach the mount through these.
    std::shared_ptr<const CNodeTable> Table() const;
    const CMediumFiles& Files() const { return *m_files; }
    // An open folder listing keeps the tree it began in, so that a reload in between
    // never mixes two trees in one listing. The mount owns them: a session that ends
    // with listings still open (a detached folder) frees them with itself.
    std::uint64_t OpenListing(std::shared_ptr<const CNodeTable> table);
    std::shared_ptr<const CNodeTable> ListingTable(std::uint64_t listing) const;
    void CloseListing(std::uint64_t listing);

private:
    static void StopSignals(sigset_t& set);

    SMountOptions m_options;
    std::unique_ptr<CMediumFiles> m_files;
    mutable std::mutex m_lock; // guards m_table
    std::shared_ptr<const CNodeTable> m_table;
    std::atomic<std::uint64_t> m_nGeneration{0};
    mutable std::mutex m_listingsLock;
    std::unordered_map<std::uint64_t, std::shared_ptr<const CNodeTable>> m_listings;
    std::uint64_t m_nNextListing = 1;
    fuse_session* m_session = nullptr;
    bool m_bMounted = false;
    CCaseFileWatcher m_watcher;
};

} // namespace quillora
