// Mounting the open case for the desktop's file manager.
#include "app/CaseFolderMount.h"

#include "core/ConfigData.h"
#include "core/TraceLog.h"
#include "core/XdgPaths.h"
#include "document/JobOptions.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace quillora {

namespace {

// Mounts whose threads still serve, detached ones included.
std::atomic<int> g_nServing{0};

// Whether a case may be mounted at `folder`: nothing is there, or an empty folder that
// no file system is mounted on (another program's mount of a case of the same name).
bool IsFreeFolder(const std::filesystem::path& folder) {
    struct stat own {};
    if (::lstat(folder.c_str(), &own) != 0) {
        return errno == ENOENT;
    }
    struct stat parent {};
    if (!S_ISDIR(own.st_mode) || ::stat(folder.parent_path().c_str(), &parent) != 0 ||
        own.st_dev != parent.st_dev) {
        return false;
    }
    std::error_code ec;
    return std::filesystem::is_empty(folder, ec) && !ec;
}

} // namespace

CCaseFolderMount::~CCaseFolderMount() {
    Close();
}

std::string CCaseFolderMount::FolderFor(const std::string& casePath) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path base =
        runtime && *runtime ? std::filesystem::path(runtime) : std::filesystem::path(TempFolder());
    const std::filesystem::path folder = base / "quillora";
    const std::string name = std::filesystem::path(casePath).filename().string();
    for (int n = 1; n < 100; ++n) {
        const std::filesystem::path candidate =
            folder / (n == 1 ? name : name + " (" + std::to_string(n) + ")");
        if (IsFreeFolder(candidate)) {
            return candidate.string();
        }
    }
    return (folder / name).string(); // every one taken: the mount says what is wrong
}

std::string CCaseFolderMount::Open(const std::string& casePath, const std::string& password,
                                   CArchiveExpander* archives, std::string* error) {
    Close();
    const std::string folder = FolderFor(casePath);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        if (error) {
            *error = folder + ": " + ec.message();
        }
        return {};
    }
    SMountOptions options;
    options.m_strCasePath = casePath;
    options.m_strPassword = password;
    options.m_strMountPoint = folder;
    options.m_pArchives = archives;
    options.m_drives = DriveChoiceFrom(Config());
    auto mount = std::make_shared<CCaseMount>();
    try {
        if (!mount->Mount(options, error)) {
            return {};
        }
    } catch (const std::exception& e) {
        if (error) {
            *error = e.what();
        }
        return {};
    }
    m_pMount = std::move(mount);
    m_strFolder = folder;
    m_strCasePath = casePath;
    ++g_nServing;
    m_thread = std::thread([mount = m_pMount] {
        mount->Serve(false);
        --g_nServing;
    });
    return folder;
}

int CCaseFolderMount::ServingCount() {
    return g_nServing;
}

bool CCaseFolderMount::WaitUntilNoneServes(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (g_nServing > 0) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void CCaseFolderMount::Close() {
    if (!m_pMount) {
        return;
    }
    if (CCaseMount::Unmount(m_strFolder, false, nullptr)) {
        m_thread.join();
    } else {
        // Busy: joining would wait for whoever is inside. Detached, the mount is gone
        // from the folder now and its thread ends when the kernel lets go.
        std::string error;
        if (!CCaseMount::Unmount(m_strFolder, true, &error)) {
            Log("CCaseFolderMount: " + error);
        }
        m_thread.detach();
    }
    m_pMount.reset();
    std::error_code ec;
    std::filesystem::remove(m_strFolder, ec);
    m_strFolder.clear();
    m_strCasePath.clear();
}

bool CCaseFolderMount::ShowInFileManager(const std::string& folder) {
    const QString path = QString::fromStdString(folder);
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    if (!opener.isEmpty() && QProcess::startDetached(opener, {path})) {
        return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace quillora
