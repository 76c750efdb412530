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

    // Workers list folders named by paths relative to the folder open at rootFd (a
    // duplicate of it is kept), with the reader flags of the walk's file system, and
    // read the first bytes of files whose file-type code has its bit in `headCodes`.
    CFolderPrefetch(int rootFd, bool fat, bool dontSync, std::uint32_t headCodes, unsigned workers);
    ~CFolderPrefetch();
    CFolderPrefetch(const CFolderPrefetch&) = delete;
    CFolderPrefetch& operator=(const CFolderPrefetch&) = delete;

    // Worker threads worth starting on this machine; 0 when the walk should list on
    // its own (one core).
    static unsigned WorkersForThisMachine();

    // Listings made but not yet taken. Each holds an open descriptor and its entries,
    // so the workers wait rather than run further ahead of the walk.
    static constexpr std::size_t kMaxWaitingListings = 256;

    // Asks for the folder at `relPath`; the newest request is served first, as the
    // walk enters the subfolders of the folder it listed last. Returns the ticket for
    // Take, 0 when the path cannot be asked for.
    std::uint64_t Want(std::string relPath);
    // The same for several folders at once, one ticket each (0 for a path that cannot
    // be asked for); the last one is served first.
    std::vector<std::uint64_t> Want(std::vector<std::string> relPaths);

    // The listing for `ticket`, waiting while a worker is at it. False when no worker
    // has taken it up yet (it is withdrawn, and the caller lists the folder itself) or
    // could not open it: a folder that was replaced by a symbolic link, or a path too
    // long to open in one step. The caller's own open then decides what happened.
    // What `out` held before is kept for a later listing (so that the threads do not
    // pass memory to each other), except its descriptor, which whoever took it owns.
    bool Take(std::uint64_t ticket, SListing& out);

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
        std::uint64_t m_ticket = 0;
        std::string m_relPath;
    };

    void Work();
    bool List(const std::string& relPath, CDirectoryReader& reader, SListing& out) const;
    void ReadHeads(SListing& listing) const;
    // A listing whose buffers an earlier one left, or a new one; under the lock.
    SListing SpareListing();

    int m_rootFd = -1;
    bool m_fat = false;
    bool m_dontSync = false;
    std::uint32_t m_headCodes = 0;
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_listingDone;
    std::vector<SRequest> m_queue; // served from the back
    std::unordered_map<std::uint64_t, SSlot> m_slots;
    std::vector<SListing> m_spare;
    std::size_t m_doneCount = 0; // listings waiting to be taken, each holding a descriptor
    std::uint64_t m_nextTicket = 1;
    std::uint64_t m_awaitedTicket = 0; // the one Take waits for while a worker lists it
    unsigned m_idleWorkers = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

} // namespace quillora
