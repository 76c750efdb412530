// The FUSE session of a mounted case and its request handlers. Inode numbers are the
// records' places in the case file plus one (the case itself is the root, 1), so they
// stay the same for the same file; the kernel may keep names and attributes as long as
// it likes, because a new tree comes only with a reload, which invalidates them.
#define FUSE_USE_VERSION 312
#include "mount/CCaseMount.h"

#include "core/TraceLog.h"
#include "core/UniqueFd.h"
#include "mount/CNodeTableBuilder.h"
#include "scan/ChildProcess.h"

#include <fuse3/fuse_lowlevel.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/mount.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quillora {

namespace {

// Names and attributes change only with a reload, which tells the kernel.
constexpr double kCacheSeconds = 86400.0;
constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000LL;

CCaseMount& MountOf(fuse_req_t req) {
    return *static_cast<CCaseMount*>(fuse_req_userdata(req));
}

timespec TimeOf(FileTime ft) {
    timespec ts{};
    if (ft == 0) {
        return ts; // not stored
    }
    const std::int64_t since1970 = static_cast<std::int64_t>(ft) - kFileTimeUnixEpoch;
    std::int64_t seconds = since1970 / 10000000;
    std::int64_t rest = since1970 % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --seconds;
    }
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>(rest * 100);
    return ts;
}

// The node of an inode number; kNoNode for numbers the table does not have.
std::uint32_t NodeOf(const CNodeTable& table, fuse_ino_t ino) {
    return ino >= 1 && ino <= table.Count() ? static_cast<std::uint32_t>(ino - 1) : kNoNode;
}

void FillAttr(const CNodeTable& table, std::uint32_t index, struct stat& st) {
    const SMountNode& node = table.Node(index);
    st = {};
    st.st_ino = index + 1;
    if (table.IsFolder(index)) {
        st.st_mode = S_IFDIR | 0555;
    } else {
        st.st_mode = S_IFREG | ((node.m_dwFlags & kAttrReadOnly) ? 0444 : 0644);
        st.st_blocks = static_cast<blkcnt_t>((node.m_nSize + 511) / 512);
    }
    // 1 tells find and its kin that the links do not count the subfolders.
    st.st_nlink = 1;
    st.st_uid = ::getuid();
    st.st_gid = ::getgid();
    st.st_size = static_cast<off_t>(node.m_nSize);
    st.st_blksize = 4096;
    st.st_atim = TimeOf(node.m_ftLastAccess);
    st.st_mtim = TimeOf(node.m_ftLastWrite);
    // Linux has no place for the creation time but the change time.
    st.st_ctim = TimeOf(node.m_ftCreation);
}

void FillEntry(const CNodeTable& table, std::uint32_t index, std::uint64_t generation,
               fuse_entry_param& e) {
    e = {};
    e.ino = index + 1;
    e.generation = generation;
    FillAttr(table, index, e.attr);
    e.attr_timeout = kCacheSeconds;
    e.entry_timeout = kCacheSeconds;
}

// The extended attributes of a record, in the order listxattr gives them.
constexpr const char* kXattrCrc = "user.quillora.crc";
constexpr const char* kXattrComment = "user.quillora.comment";
constexpr const char* kXattrCategory = "user.quillora.category";
constexpr const char* kXattrMedium = "user.quillora.medium";
constexpr const char* kXattrCase = "user.quillora.case";

bool XattrValue(const CNodeTable& table, std::uint32_t index, std::string_view name,
                std::string& value) {
    if (name == kXattrCrc) {
        if (!table.HasCrc(index)) {
            return false;
        }
        char text[9];
        std::snprintf(text, sizeof text, "%08x", table.Crc(index));
        value = text;
        return true;
    }
    if (name == kXattrComment) {
        value = table.Comment(index);
        return !value.empty();
    }
    if (name == kXattrCategory) {
        value = table.Category(index);
        return !value.empty();
    }
    if (name == kXattrMedium) {
        const SMediumFacts* medium = table.MediumOf(index);
        if (!medium) {
            return false;
        }
        value = medium->m_volume.m_strLabel;
        return true;
    }
    if (name == kXattrCase) {
        value = table.CasePath();
        return true;
    }
    return false;
}

void OnInit(void*, fuse_conn_info* conn) {
    if (conn->capable & FUSE_CAP_SPLICE_READ) {
        conn->want |= FUSE_CAP_SPLICE_READ;
    }
}

void OnLookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
    CCaseMount& mount = MountOf(req);
    const auto table = mount.Table();
    const std::uint32_t folder = NodeOf(*table, parent);
    if (folder == kNoNode || !table->IsFolder(folder)) {
        fuse_reply_err(req, folder == kNoNode ? ESTALE : ENOTDIR);
        return;
    }
    const std::uint32_t index = table->Lookup(folder, name);
    if (index == kNoNode) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    fuse_entry_param e;
    FillEntry(*table, index, mount.Generation(), e);
    fuse_reply_entry(req, &e);
}

void OnGetattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
    const auto table = MountOf(req).Table();
    const std::uint32_t index = NodeOf(*table, ino);
    if (index == kNoNode) {
        fuse_reply_err(req, ESTALE);
        return;
    }
    struct stat st;
    FillAttr(*table, index, st);
    fuse_reply_attr(req, &st, kCacheSeconds);
}

void OnOpendir(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
    CCaseMount& mount = MountOf(req);
    std::shared_ptr<const CNodeTable> table = mount.Table();
    const std::uint32_t index = NodeOf(*table, ino);
    if (index == kNoNode || !table->IsFolder(index)) {
        fuse_reply_err(req, index == kNoNode ? ESTALE : ENOTDIR);
        return;
    }
    fi->fh = mount.OpenListing(std::move(table));
    if (fuse_reply_open(req, fi) != 0) {
        mount.CloseListing(fi->fh); // the kernel never got the handle
    }
}

void OnReleasedir(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    MountOf(req).CloseListing(fi->fh);
    fuse_reply_err(req, 0);
}

// Readdir and readdirplus: offsets count ".", ".." and then the children in file order.
void ReadFolder(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset, fuse_file_info* fi,
                bool plus) {
    const std::shared_ptr<const CNodeTable> listing = MountOf(req).ListingTable(fi->fh);
    if (!listing) {
        fuse_reply_err(req, EBADF);
        return;
    }
    const CNodeTable& table = *listing;
    const std::uint32_t folder = static_cast<std::uint32_t>(ino - 1);
    const std::span<const std::uint32_t> children = table.Children(folder);
    const std::uint64_t generation = MountOf(req).Generation();
    std::vector<char> buffer(size);
    std::size_t used = 0;
    for (std::uint64_t at = static_cast<std::uint64_t>(offset); at < children.size() + 2; ++at) {
        const std::uint32_t index =
            at == 0
                ? folder
                : (at == 1 ? (folder == 0 ? 0 : table.Node(folder).m_nParent) : children[at - 2]);
        const std::string name =
            at == 0 ? "." : (at == 1 ? ".." : std::string(table.ShownName(index)));
        std::size_t need = 0;
        if (plus) {
            fuse_entry_param e;
            FillEntry(table, index, generation, e);
            if (at < 2) {
                // The kernel counts no lookup for these two.
                e = {};
                e.attr.st_ino = index + 1;
                e.attr.st_mode = S_IFDIR;
            }
            need = fuse_add_direntry_plus(req, buffer.data() + used, size - used, name.c_str(), &e,
                                          static_cast<off_t>(at + 1));
        } else {
            struct stat st {};
            st.st_ino = index + 1;
            st.st_mode = table.IsFolder(index) ? S_IFDIR : S_IFREG;
            need = fuse_add_direntry(req, buffer.data() + used, size - used, name.c_str(), &st,
                                     static_cast<off_t>(at + 1));
        }
        if (need > size - used) {
            break;
        }
        used += need;
    }
    fuse_reply_buf(req, buffer.data(), used);
}

void OnReaddir(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset, fuse_file_info* fi) {
    ReadFolder(req, ino, size, offset, fi, false);
}

void OnReaddirplus(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset,
                   fuse_file_info* fi) {
    ReadFolder(req, ino, size, offset, fi, true);
}

void OnOpen(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
    if ((fi->flags & O_ACCMODE) != O_RDONLY || (fi->flags & O_TRUNC)) {
        fuse_reply_err(req, EROFS);
        return;
    }
    CCaseMount& mount = MountOf(req);
    const auto table = mount.Table();
    const std::uint32_t index = NodeOf(*table, ino);
    if (index == kNoNode) {
        fuse_reply_err(req, ESTALE);
        return;
    }
    CUniqueFd fd;
    if (const int error = mount.Files().Open(*table, index, fd); error != 0) {
        fuse_reply_err(req, error);
        return;
    }
    fi->fh = static_cast<std::uint64_t>(fd.Get());
    if (fuse_reply_open(req, fi) == 0) {
        (void)fd.Release(); // closed by release
    }
}

void OnRead(fuse_req_t req, fuse_ino_t, std::size_t size, off_t offset, fuse_file_info* fi) {
    fuse_bufvec buf = FUSE_BUFVEC_INIT(size);
    buf.buf[0].flags = static_cast<fuse_buf_flags>(FUSE_BUF_IS_FD | FUSE_BUF_FD_SEEK);
    buf.buf[0].fd = static_cast<int>(fi->fh);
    buf.buf[0].pos = offset;
    fuse_reply_data(req, &buf, FUSE_BUF_SPLICE_MOVE);
}

void OnRelease(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    CUniqueFd fd(static_cast<int>(fi->fh));
    fuse_reply_err(req, 0);
}

void OnStatfs(fuse_req_t req, fuse_ino_t) {
    const auto table = MountOf(req).Table();
    struct statvfs st {};
    st.f_bsize = 4096;
    st.f_frsize = 4096;
    st.f_blocks = (table->TotalBytes() + 4095) / 4096;
    st.f_files = table->Count();
    st.f_namemax = 255;
    st.f_flag = ST_RDONLY;
    fuse_reply_statfs(req, &st);
}

void OnGetxattr(fuse_req_t req, fuse_ino_t ino, const char* name, std::size_t size) {
    const auto table = MountOf(req).Table();
    const std::uint32_t index = NodeOf(*table, ino);
    std::string value;
    if (index == kNoNode) {
        fuse_reply_err(req, ESTALE);
    } else if (!XattrValue(*table, index, name, value)) {
        fuse_reply_err(req, ENODATA);
    } else if (size == 0) {
        fuse_reply_xattr(req, value.size());
    } else if (size < value.size()) {
        fuse_reply_err(req, ERANGE);
    } else {
        fuse_reply_buf(req, value.data(), value.size());
    }
}

void OnListxattr(fuse_req_t req, fuse_ino_t ino, std::size_t size) {
    const auto table = MountOf(req).Table();
    const std::uint32_t index = NodeOf(*table, ino);
    if (index == kNoNode) {
        fuse_reply_err(req, ESTALE);
        return;
    }
    std::string list;
    std::string value;
    for (const char* name : {kXattrCrc, kXattrComment, kXattrCategory, kXattrMedium, kXattrCase}) {
        if (XattrValue(*table, index, name, value)) {
            list += name;
            list += '\0';
        }
    }
    if (size == 0) {
        fuse_reply_xattr(req, list.size());
    } else if (size < list.size()) {
        fuse_reply_err(req, ERANGE);
    } else {
        fuse_reply_buf(req, list.data(), list.size());
    }
}

// Every request that would change anything.
void OnSetattr(fuse_req_t req, fuse_ino_t, struct stat*, int, fuse_file_info*) {
    fuse_reply_err(req, EROFS);
}
void OnMknod(fuse_req_t req, fuse_ino_t, const char*, mode_t, dev_t) {
    fuse_reply_err(req, EROFS);
}
void OnMkdir(fuse_req_t req, fuse_ino_t, const char*, mode_t) {
    fuse_reply_err(req, EROFS);
}
void OnRemove(fuse_req_t req, fuse_ino_t, const char*) {
    fuse_reply_err(req, EROFS);
}
void OnSymlink(fuse_req_t req, const char*, fuse_ino_t, const char*) {
    fuse_reply_err(req, EROFS);
}
void OnRename(fuse_req_t req, fuse_ino_t, const char*, fuse_ino_t, const char*, unsigned) {
    fuse_reply_err(req, EROFS);
}
void OnLink(fuse_req_t req, fuse_ino_t, fuse_ino_t, const char*) {
    fuse_reply_err(req, EROFS);
}
void OnWrite(fuse_req_t req, fuse_ino_t, const char*, std::size_t, off_t, fuse_file_info*) {
    fuse_reply_err(req, EROFS);
}
void OnCreate(fuse_req_t req, fuse_ino_t, const char*, mode_t, fuse_file_info*) {
    fuse_reply_err(req, EROFS);
}
void OnSetxattr(fuse_req_t req, fuse_ino_t, const char*, const char*, std::size_t, int) {
    fuse_reply_err(req, EROFS);
}
void OnRemovexattr(fuse_req_t req, fuse_ino_t, const char*) {
    fuse_reply_err(req, EROFS);
}
void OnFallocate(fuse_req_t req, fuse_ino_t, int, off_t, off_t, fuse_file_info*) {
    fuse_reply_err(req, EROFS);
}

fuse_lowlevel_ops Operations() {
    fuse_lowlevel_ops ops{};
    ops.init = OnInit;
    ops.lookup = OnLookup;
    ops.getattr = OnGetattr;
    ops.opendir = OnOpendir;
    ops.readdir = OnReaddir;
    ops.readdirplus = OnReaddirplus;
    ops.releasedir = OnReleasedir;
    ops.open = OnOpen;
    ops.read = OnRead;
    ops.release = OnRelease;
    ops.statfs = OnStatfs;
    ops.getxattr = OnGetxattr;
    ops.listxattr = OnListxattr;
    ops.setattr = OnSetattr;
    ops.mknod = OnMknod;
    ops.mkdir = OnMkdir;
    ops.unlink = OnRemove;
    ops.rmdir = OnRemove;
    ops.symlink = OnSymlink;
    ops.rename = OnRename;
    ops.link = OnLink;
    ops.write = OnWrite;
    ops.create = OnCreate;
    ops.setxattr = OnSetxattr;
    ops.removexattr = OnRemovexattr;
    ops.fallocate = OnFallocate;
    return ops;
}

} // namespace

CCaseMount::CCaseMount() = default;

CCaseMount::~CCaseMount() {
    m_watcher.Stop();
    if (m_session) {
        if (m_bMounted) {
            fuse_session_unmount(m_session);
        }
        fuse_session_destroy(m_session);
    }
}

std::shared_ptr<const CNodeTable> CCaseMount::Table() const {
    std::lock_guard guard(m_lock);
    return m_table;
}

bool CCaseMount::Mount(const SMountOptions& options, std::string* error) {
    auto fail = [error](std::string text) {
        if (error) {
            *error = std::move(text);
        }
        return false;
    };
    m_options = options;
    m_table = CNodeTableBuilder::Read(options.m_strCasePath, options.m_strPassword);
    m_options.m_strCasePath = m_table->CasePath();
    m_files =
        std::make_unique<CMediumFiles>(options.m_pArchives, &CDriveList::Read, options.m_drives);

    struct stat st {};
    if (::stat(options.m_strMountPoint.c_str(), &st) != 0) {
        return fail(options.m_strMountPoint + ": " + std::strerror(errno));
    }
    if (!S_ISDIR(st.st_mode)) {
        return fail(options.m_strMountPoint + ": not a folder");
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0 && errno == ENOENT) {
        return fail("FUSE is not available here: /dev/fuse does not exist");
    }
    std::string mountOptions = "ro,default_permissions,fsname=quillora,subtype=quillora";
    if (options.m_bAllowOther) {
        mountOptions += ",allow_other";
    }
    std::vector<std::string> argv = {"quillora", "-o", mountOptions};
    std::vector<char*> raw;
    for (std::string& arg : argv) {
        raw.push_back(arg.data());
    }
    fuse_args args = FUSE_ARGS_INIT(static_cast<int>(raw.size()), raw.data());
    const fuse_lowlevel_ops ops = Operations();
    m_session = fuse_session_new(&args, &ops, sizeof ops, this);
    // The session may have copied the arguments to add its own; the copy is ours.
    fuse_opt_free_args(&args);
    if (!m_session) {
        return fail("the FUSE session could not be set up");
    }
    if (fuse_session_mount(m_session, options.m_strMountPoint.c_str()) != 0) {
        return fail(options.m_strMountPoint + ": could not be mounted (is FUSE available, and "
                                              "the folder yours?)");
    }
    m_bMounted = true;
    LogFormat("mount: %s on %s", m_options.m_strCasePath.c_str(), options.m_strMountPoint.c_str());
    return true;
}

bool CCaseMount::Daemonize() {
    return fuse_daemonize(0) == 0;
}

std::uint64_t CCaseMount::OpenListing(std::shared_ptr<const CNodeTable> table) {
    std::lock_guard guard(m_listingsLock);
    const std::uint64_t listing = m_nNextListing++;
    m_listings.emplace(listing, std::move(table));
    return listing;
}

std::shared_ptr<const CNodeTable> CCaseMount::ListingTable(std::uint64_t listing) const {
    std::lock_guard guard(m_listingsLock);
    const auto found = m_listings.find(listing);
    return found == m_listings.end() ? nullptr : found->second;
}

void CCaseMount::CloseListing(std::uint64_t listing) {
    std::lock_guard guard(m_listingsLock);
    m_listings.erase(listing);
}

void CCaseMount::StopSignals(sigset_t& set) {
    sigemptyset(&set);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
}

void CCaseMount::BlockStopSignals() {
    sigset_t stops;
    StopSignals(stops);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
}

// The stop signals are taken by a thread of their own through a signalfd, never by a
// handler: a handler that only marks the session ended races with the serving thread,
// which may be just about to sit down in its read and then waits for a request that
// never comes. The stopping thread marks the session ended and then asks the folder for
// a name that is not there, so that the serving thread wakes, answers and sees the mark.
int CCaseMount::Serve(bool handleSignals) {
    if (!m_session) {
        return EINVAL;
    }
    sigset_t stops;
    StopSignals(stops);
    CUniqueFd signals;
    CUniqueFd done;
    if (handleSignals) {
        // Blocked before any thread starts, so that every thread keeps them blocked and
        // only the signalfd takes them (one sent early, see BlockStopSignals, waits there).
        pthread_sigmask(SIG_BLOCK, &stops, nullptr);
        std::signal(SIGPIPE, SIG_IGN);
        signals = CUniqueFd(::signalfd(-1, &stops, SFD_CLOEXEC));
        done = CUniqueFd(::eventfd(0, EFD_CLOEXEC));
    }
    std::string reason;
    if (!m_watcher.Start(
            m_options.m_strCasePath, [this] { Reload(); }, &reason)) {
        Log("mount: " + reason);
    }
    std::thread stopper;
    if (signals.Get() >= 0 && done.Get() >= 0) {
        stopper = std::thread([this, &signals, &done] {
            pollfd fds[2] = {{signals.Get(), POLLIN, 0}, {done.Get(), POLLIN, 0}};
            while (::poll(fds, 2, -1) < 0 && errno == EINTR) {
            }
            if ((fds[0].revents & POLLIN) == 0) {
                return;
            }
            fuse_session_exit(m_session);
            struct stat st {};
            ::stat((m_options.m_strMountPoint + "/.quillora-stop").c_str(), &st);
        });
    }
    const int result = fuse_session_loop(m_session);
    m_watcher.Stop();
    // Unmounting first: a wake-up question the loop left unread is then given up.
    fuse_session_unmount(m_session);
    m_bMounted = false;
    if (stopper.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(done.Get(), &one, sizeof one);
        stopper.join();
    }
    return result < 0 ? -result : 0;
}

bool CCaseMount::Reload(std::string* error) {
    std::shared_ptr<const CNodeTable> fresh;
    try {
        fresh = CNodeTableBuilder::Read(m_options.m_strCasePath, m_options.m_strPassword);
    } catch (const std::exception& e) {
        LogFormat("mount: %s not read again: %s", m_options.m_strCasePath.c_str(), e.what());
        if (error) {
            *error = e.what();
        }
        return false;
    }
    std::shared_ptr<const CNodeTable> old;
    {
        std::lock_guard guard(m_lock);
        old = std::exchange(m_table, fresh);
        ++m_nGeneration;
    }
    if (m_session && m_bMounted) {
        // Dropping the top names drops everything the kernel keeps below them.
        for (std::uint32_t child : old->Children(0)) {
            const std::string_view name = old->ShownName(child);
            fuse_lowlevel_notify_inval_entry(m_session, FUSE_ROOT_ID, name.data(), name.size());
        }
        fuse_lowlevel_notify_inval_inode(m_session, FUSE_ROOT_ID, 0, 0);
    }
    LogFormat("mount: %s read again", m_options.m_strCasePath.c_str());
    return true;
}

bool CCaseMount::Unmount(const std::string& folder, bool lazy, std::string* error) {
    if (::geteuid() == 0) {
        if (::umount2(folder.c_str(), lazy ? MNT_DETACH : 0) == 0) {
            return true;
        }
        if (error) {
            *error = folder + ": " + std::strerror(errno);
        }
        return false;
    }
    std::vector<std::string> argv = {"/usr/bin/fusermount3", "-u", "-q"};
    if (lazy) {
        argv.push_back("-z");
    }
    argv.push_back(folder);
    if (RunChildProcess(argv) == 0) {
        return true;
    }
    if (error) {
        *error = folder + ": not unmounted (not a mount of this user, or still in use)";
    }
    return false;
}

} // namespace quillora
