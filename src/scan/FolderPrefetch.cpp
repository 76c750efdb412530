// Folder listings made ahead of the walk by worker threads.
#include "scan/FolderPrefetch.h"

#include "core/FileTypeCode.h"

#include <algorithm>
#include <climits>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace quillora {

namespace {

constexpr unsigned kMaxWorkers = 4;

// Listings kept for their buffers: one per thread is enough to reuse them all.
constexpr std::size_t kMaxSpareListings = 8;

} // namespace

CFolderPrefetch::CFolderPrefetch(int rootFd, bool fat, bool dontSync, std::uint32_t headCodes,
                                 SWalkBounds bounds, unsigned workers)
    : m_rootFd(fcntl(rootFd, F_DUPFD_CLOEXEC, 0)), m_fat(fat), m_dontSync(dontSync),
      m_headCodes(headCodes), m_bounds(bounds) {
    if (m_rootFd < 0) {
        return; // no workers: every Take says "list it yourself"
    }
    m_workers.reserve(workers);
    for (unsigned i = 0; i < workers; ++i) {
        try {
            m_workers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break; // fewer threads than asked for, or none: the walk lists the rest
        }
    }
}

CFolderPrefetch::~CFolderPrefetch() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_workAvailable.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
    for (auto& [path, slot] : m_slots) {
        if (slot.m_listing.m_fd >= 0) {
            close(slot.m_listing.m_fd);
        }
    }
    if (m_rootFd >= 0) {
        close(m_rootFd);
    }
}

std::size_t CFolderPrefetch::WaitingListingsAllowed() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kMaxWaitingListings;
    }
    return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur) / 4, 1,
                                   kMaxWaitingListings);
}

unsigned CFolderPrefetch::WorkersForThisMachine() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores < 2 ? 0 : std::min(cores, kMaxWorkers);
}

std::size_t CFolderPrefetch::Queue(std::vector<std::string>& relPaths, int depth) {
    std::size_t added = 0;
    for (std::string& path : relPaths) {
        if (path.empty() || path.size() >= PATH_MAX || !m_slots.try_emplace(path).second) {
            continue;
        }
        m_queue.push_back({std::move(path), depth});
        ++added;
    }
    return added;
}

void CFolderPrefetch::Want(std::vector<std::string> relPaths) {
    if (m_workers.empty() || relPaths.empty()) {
        return;
    }
    // Siblings lie at one depth: the number of steps in any of their paths.
    const int depth =
        1 + static_cast<int>(std::count(relPaths.front().begin(), relPaths.front().end(), '/'));
    std::size_t added = 0;
    unsigned idle = 0;
    {
        std::lock_guard lock(m_mutex);
        added = Queue(relPaths, depth);
        idle = m_idleWorkers;
    }
    // Waking a thread costs more than many listings: only as many as have no work.
    for (std::size_t i = 0; i < std::min<std::size_t>(added, idle); ++i) {
        m_workAvailable.notify_one();
    }
}

bool CFolderPrefetch::Take(const std::string& relPath, SListing& out) {
    if (m_workers.empty()) {
        return false;
    }
    std::unique_lock lock(m_mutex);
    while (true) {
        const auto it = m_slots.find(relPath);
        if (it == m_slots.end()) {
            return false;
        }
        switch (it->second.m_state) {
        case SlotState::Queued:
            // The walk has got here first: listing it now beats waiting for a worker.
            // Its request stays queued and is skipped when a worker comes to it.
            m_slots.erase(it);
            return false;
        case SlotState::Done: {
            const bool wasFull = Full();
            std::swap(out, it->second.m_listing);
            if (m_spare.size() < kMaxSpareListings) {
                m_spare.push_back(std::move(it->second.m_listing));
            }
            m_slots.erase(it);
            --m_doneCount;
            m_waitingEntries -= out.m_entries.size();
            // Workers stop while too much waits; this one may let one go on.
            const bool wake = wasFull && !Full() && m_idleWorkers > 0;
            lock.unlock();
            if (wake) {
                m_workAvailable.notify_one();
            }
            return true;
        }
        case SlotState::Running:
            m_awaited = relPath;
            m_listingDone.wait(lock);
            m_awaited.clear();
            break;
        }
    }
}

void CFolderPrefetch::Work() {
    CDirectoryReader reader;
    std::unique_lock lock(m_mutex);
    while (true) {
        ++m_idleWorkers;
        m_workAvailable.wait(lock, [this] { return m_stop || (!m_queue.empty() && !Full()); });
        --m_idleWorkers;
        if (m_stop) {
            return;
        }
        SRequest request = std::move(m_queue.back());
        m_queue.pop_back();
        auto it = m_slots.find(request.m_relPath);
        if (it == m_slots.end() || it->second.m_state != SlotState::Queued) {
            continue; // withdrawn by Take
        }
        it->second.m_state = SlotState::Running;
        SListing listing = SpareListing();
        lock.unlock();
        const bool listed = List(request.m_relPath, reader, listing);
        std::vector<std::string> subfolders;
        if (listed && request.m_depth < m_bounds.m_maxDepth) {
            subfolders = SubfoldersOf(request.m_relPath, listing);
        }
        lock.lock();
        // Only Take removes a slot, and it waits while the slot is running.
        it = m_slots.find(request.m_relPath);
        if (listed) {
            m_waitingEntries += listing.m_entries.size();
            it->second.m_listing = std::move(listing);
            it->second.m_state = SlotState::Done;
            ++m_doneCount;
        } else {
            m_slots.erase(it);
        }
        // The walk enters this folder's subfolders next: list them on.
        const std::size_t added = Queue(subfolders, request.m_depth + 1);
        if (m_awaited == request.m_relPath) {
            m_listingDone.notify_one();
        }
        if (added > 1 && m_idleWorkers > 0) {
            m_workAvailable.notify_one();
        }
    }
}

std::vector<std::string> CFolderPrefetch::SubfoldersOf(const std::string& relPath,
                                                       const SListing& listing) const {
    std::vector<std::string> paths;
    for (auto entry = listing.m_entries.rbegin(); entry != listing.m_entries.rend(); ++entry) {
        // As the walk decides: a folder whose facts were read, on its file system.
        if (entry->m_kind != EntryKind::Directory || entry->m_factsMissing ||
            entry->m_device != m_bounds.m_device) {
            continue;
        }
        std::string& path = paths.emplace_back(relPath);
        path += '/';
        path += entry->m_osName;
    }
    return paths;
}

CFolderPrefetch::SListing CFolderPrefetch::SpareListing() {
    if (m_spare.empty()) {
        return {};
    }
    SListing listing = std::move(m_spare.back());
    m_spare.pop_back();
    return listing;
}

const CArchiveHead* CFolderPrefetch::SListing::HeadOf(std::size_t index) const {
    const auto it =
        std::lower_bound(m_heads.begin(), m_heads.end(), index,
                         [](const auto& head, std::size_t wanted) { return head.first < wanted; });
    return it != m_heads.end() && it->first == index ? &it->second : nullptr;
}

int CFolderPrefetch::OpenBelow(int rootFd, const std::string& relPath) {
    struct open_how how {};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(syscall(SYS_openat2, rootFd, relPath.c_str(), &how, sizeof how));
}

bool CFolderPrefetch::List(const std::string& relPath, CDirectoryReader& reader,
                           SListing& out) const {
    // The entries and heads of an earlier listing are overwritten, keeping their memory.
    out.m_error = 0;
    out.m_heads.clear();
    out.m_fd = OpenBelow(m_rootFd, relPath);
    if (out.m_fd < 0) {
        return false;
    }
    reader.Borrow(out.m_fd, m_fat, m_dontSync);
    std::size_t count = 0;
    while (true) {
        if (count == kMaxWaitingEntries) {
            // A folder this large is left to the walk, which turns each entry into a
            // record as it reads it, instead of holding all of them twice.
            reader.Close();
            close(out.m_fd);
            out.m_fd = -1;
            return false;
        }
        if (count == out.m_entries.size()) {
            out.m_entries.emplace_back();
        }
        if (!reader.Next(out.m_entries[count])) {
            break;
        }
        ++count;
    }
    out.m_entries.resize(count);
    out.m_error = reader.Error();
    reader.Close();
    if (m_headCodes != 0) {
        ReadHeads(out);
    }
    return true;
}

void CFolderPrefetch::ReadHeads(SListing& listing) const {
    for (std::size_t i = 0; i < listing.m_entries.size(); ++i) {
        const SDirEntry& entry = listing.m_entries[i];
        if (entry.m_kind != EntryKind::Regular || entry.m_factsMissing) {
            continue;
        }
        const std::uint16_t code = FileTypeCode(entry.m_name);
        if (code >= 32 || (m_headCodes & (1u << code)) == 0) {
            continue;
        }
        auto& [index, head] = listing.m_heads.emplace_back();
        index = i;
        if (!head.ReadFor(code, listing.m_fd, entry.m_osName.c_str(), entry.m_size)) {
            listing.m_heads.pop_back(); // read again, and failed again, by the walk
        }
    }
}

} // namespace quillora
