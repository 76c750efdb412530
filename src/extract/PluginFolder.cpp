// Finding the plug-in folder.
#include "extract/PluginFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#ifndef QUILLORA_PLUGIN_RELATIVE_DIR
#define QUILLORA_PLUGIN_RELATIVE_DIR "../lib/quillora/plugins"
#endif
#ifndef QUILLORA_BUILD_DIR
#define QUILLORA_BUILD_DIR ""
#endif
#ifndef QUILLORA_BUILD_PLUGIN_DIR
#define QUILLORA_BUILD_PLUGIN_DIR ""
#endif

namespace quillora {

namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SelfPath() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

} // namespace

std::string CPluginFolder::FindFor(const std::string& exePath) {
    if (const char* env = std::getenv("QUILLORA_PLUGIN_DIR"); env && *env) {
        return env;
    }
    const std::size_t slash = exePath.rfind('/');
    if (slash != std::string::npos) {
        const std::string installed = exePath.substr(0, slash) + "/" + QUILLORA_PLUGIN_RELATIVE_DIR;
        if (IsFolder(installed)) {
            return installed;
        }
    }
    const std::string build = QUILLORA_BUILD_DIR;
    if (!build.empty() && exePath.compare(0, build.size() + 1, build + "/") == 0 &&
        IsFolder(QUILLORA_BUILD_PLUGIN_DIR)) {
        return QUILLORA_BUILD_PLUGIN_DIR;
    }
    return {};
}

std::string CPluginFolder::Find() {
    return FindFor(SelfPath());
}

} // namespace quillora
