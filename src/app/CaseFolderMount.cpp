// Mounting the open case for the desktop's file manager.
#include "app/CaseFolderMount.h"

#include "core/XdgPaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace quillora {

CCaseFolderMount::~CCaseFolderMount() {
    Close();
}

std::string CCaseFolderMount::FolderFor(const std::string& casePath) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path base =
        runtime && *runtime ? std::filesystem::path(runtime) : std::filesystem::path(TempFolder());
    return (base / "quillora" / std::filesystem::path(casePath).filename()).string();
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
    auto mount = std::make_unique<CCaseMount>();
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
    m_mount = std::move(mount);
    m_strFolder = folder;
    m_thread = std::thread([mount = m_mount.get()] { mount->Serve(false); });
    return folder;
}

void CCaseFolderMount::Close() {
    if (!m_mount) {
        return;
    }
    // A file manager may still look inside: detach then, the kernel lets go later.
    if (!CCaseMount::Unmount(m_strFolder, false, nullptr)) {
        CCaseMount::Unmount(m_strFolder, true, nullptr);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_mount.reset();
    std::error_code ec;
    std::filesystem::remove(m_strFolder, ec);
    m_strFolder.clear();
}

} // namespace quillora
