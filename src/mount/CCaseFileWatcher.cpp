// The case file's folder through inotify: a save writes a new file beside the case and
// renames it over, so the folder is watched and events are matched by name.
#include "mount/CCaseFileWatcher.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>

namespace quillora {

namespace {

// How long the file must stay quiet before it is read again.
constexpr int kSettleMilliseconds = 150;

} // namespace

CCaseFileWatcher::~CCaseFileWatcher() {
    Stop();
}

bool CCaseFileWatcher::Start(const std::string& path, std::function<void()> changed,
                             std::string* error) {
    Stop();
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    m_strName = path.substr(slash + 1);
    m_changed = std::move(changed);
    m_inotify = CUniqueFd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    m_stop = CUniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (m_inotify.Get() < 0 || m_stop.Get() < 0 ||
        ::inotify_add_watch(m_inotify.Get(), folder.c_str(),
                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE) < 0) {
        if (error) {
            *error = folder + ": cannot watch the folder: " + std::strerror(errno);
        }
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CCaseFileWatcher::Stop() {
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(m_stop.Get(), &one, sizeof one);
        m_thread.join();
    }
}

void CCaseFileWatcher::Run() {
    alignas(inotify_event) char buffer[8 * (sizeof(inotify_event) + NAME_MAX + 1)];
    bool pending = false;
    for (;;) {
        pollfd fds[2] = {{m_inotify.Get(), POLLIN, 0}, {m_stop.Get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, pending ? kSettleMilliseconds : -1);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (ready == 0) {
            pending = false;
            m_changed();
            continue;
        }
        if (fds[0].revents == 0) {
            continue;
        }
        for (;;) {
            const ssize_t got = ::read(m_inotify.Get(), buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && m_strName == event->name) {
                    pending = true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }
}

} // namespace quillora
