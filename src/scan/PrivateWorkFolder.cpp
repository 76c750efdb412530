// Unique private folders below the work folder, made with mkdtemp.
#include "scan/PrivateWorkFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace quillora {

CPrivateWorkFolder::~CPrivateWorkFolder() {
    Remove();
}

bool CPrivateWorkFolder::Create(const std::string& base, std::string* error) {
    Remove();
    std::string folder = base.empty() ? std::string("./") : base;
    if (folder.back() != '/') {
        folder += '/';
    }
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        if (error) {
            *error = folder + ": " + std::strerror(errno);
        }
        return false;
    }
    std::string pattern = folder + "quillora-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        if (error) {
            *error = pattern + ": " + std::strerror(errno);
        }
        return false;
    }
    m_strPath = std::string(buffer.data()) + '/';
    return true;
}

void CPrivateWorkFolder::Remove() {
    if (m_strPath.empty()) {
        return;
    }
    // remove_all removes links themselves and never follows them out of the folder.
    std::error_code ec;
    std::filesystem::remove_all(m_strPath, ec);
    m_strPath.clear();
}

} // namespace quillora
