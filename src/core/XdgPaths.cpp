// XDG folder look-ups.
#include "core/XdgPaths.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace quillora {

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        return pw->pw_dir;
    }
    return "/tmp";
}

std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    std::filesystem::path base;
    if (value && *value == '/') {
        base = value;
    } else {
        base = std::filesystem::path(HomeFolder()) / fallbackBelowHome;
    }
    return (base / "Pelvane" / "Quillora").string();
}

} // namespace

std::string ConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string StateFolder() {
    return XdgFolder("XDG_STATE_HOME", ".local/state");
}

std::string ProgramFolder() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::filesystem::current_path(ec).string();
    }
    return exe.parent_path().string();
}

std::string TempFolder() {
    std::string folder;
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
        folder = tmp;
    } else {
        folder = "/tmp";
    }
    if (folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

} // namespace quillora
