// Lists folders ahead of the scanner's walk on other cores. Listing a folder and
// reading the facts of its entries is nearly all of a scan's time, and the kernel
// does that for several folders at once; the walk still builds every record itself,
// in the same order as when it lists each folder on its own.
#pragma once

#include "platform/DirectoryReader.h"
#include "scan/ArchiveHead.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillora {

class CFolderPrefetch {
public:
    struct SListing {
        int m_fd = -1; // the folder, open for reading below it; whoever takes it owns it
        std::vector<SDirEntry> m_entries;
        int m_error = 0; // the listing's errno, as CDirectoryReader::Error
        // The first bytes of the regular files whose file-type codes were asked for,
        // in entry order, each with its entry's index.
        std::vector<std::pair<std::size_t, CArchiveHead>> m_heads;

        const CArchiveHead* HeadOf(std::size_t index) const;
    };

    // What the walk enters: folders on `device` (where it started), at most
    // `maxDepth` folders below its first one.
    struct SWalkBounds {
        std::uint64_t m_device = 0;
        int m_maxDepth = 0;
    };

    // Workers list folders named by paths relative to the folder open at rootFd (a
    // duplicate of it is kept), with the reader flags of the walk's file system, and
    // read the first bytes of files whose file-type code has its bit in `headCodes`.
    // Each listing's subfolders within `bounds` are listed next without waiting to be
    // asked, as the walk will enter them in that order.
    CFolderPrefetch(int rootFd, bool fat, bool dontSync, std::uint32_t headCodes,
                    SWalkBounds bounds, unsigned workers);
    ~CFolderPrefetch();
    CFolderPrefetch(const CFolderPrefetch&) = delete;
    CFolderPrefetch& operator=(const CFolderPrefetch&) = delete;

    // Worker threads worth starting on this machine; 0 when the walk should list on
    // its own (one core).
    static unsigned WorkersForThisMachine();

    // Listings made but not yet taken, and their entries: each listing holds an open
    // descriptor, so the workers wait rather than run further ahead of the walk. A
    // process allowed few descriptors keeps a quarter of them for waiting listings.
    static constexpr std::size_t kMaxWaitingListings = 256;
    static constexpr std::size_t kMaxWaitingEntries = 65536;
    static std::size_t WaitingListingsAllowed();

    // Asks for the folders at `relPaths` (not asked for already); the last one is
    // served first, as the walk enters the first subfolder of the folder it listed
    // last first. A path too long to open in one step is not asked for.
    void Want(std::vector<std::string> relPaths);

    // The listing of the folder at `relPath`, waiting while a worker is at it. False
    // when no worker has taken it up yet (it is withdrawn, and the caller lists the
    // folder itself) or could not open it: a folder that was replaced by a symbolic
    // link, or a path too long to open in one step. The caller's own open then
    // decides what happened. What `out` held before is kept for a later listing (so
    // that the threads do not pass memory to each other), except its descriptor,
    // which whoever took it owns.
    bool Take(const std::string& relPath, SListing& out);

    // Opens the folder at `relPath` below the folder open at rootFd, through no
    // symbolic link at any step and never above rootFd, as the walk itself opens each
    // folder relative to its parent without following links. The descriptor, or -1
    // with errno set.
    static int OpenBelow(int rootFd, const std::string& relPath);

private:
    enum class SlotState { Queued, Running, Done };
    struct SSlot {
        SlotState m_state = SlotState::Queued;
        SListing m_listing;
    };
    struct SRequest {
        std::string m_relPath;
        int m_depth = 1; // folders below the walk's first one
    };

    void Work();
    bool List(const std::string& relPath, CDirectoryReader& reader, SListing& out) const;
    void ReadHeads(SListing& listing) const;
    // The paths of the subfolders the walk will enter, the last one first.
    std::vector<std::string> SubfoldersOf(const std::string& relPath,
                                          const SListing& listing) const;
    // Queues the paths not asked for yet; how many were new. Under the lock.
    std::size_t Queue(std::vector<std::string>& relPaths, int depth);
    bool Full() const {
        return m_doneCount >= m_maxWaiting || m_waitingEntries >= kMaxWaitingEntries;
    }
    // A listing whose buffers an earlier one left, or a new one; under the lock.
    SListing SpareListing();

    int m_rootFd = -1;
    bool m_fat = false;
    bool m_dontSync = false;
    std::uint32_t m_headCodes = 0;
    SWalkBounds m_bounds;
    std::size_t m_maxWaiting = WaitingListingsAllowed();
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_listingDone;
    std::vector<SRequest> m_queue; // served from the back
    std::unordered_map<std::string, SSlot> m_slots;
    std::vector<SListing> m_spare;
    std::size_t m_doneCount = 0;      // listings waiting to be taken
    std::size_t m_waitingEntries = 0; // their entries
    std::string m_awaited;            // the folder Take waits for while a worker lists it
    unsigned m_idleWorkers = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

} // namespace quillora
