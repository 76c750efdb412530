// The index's default folder under the XDG data home.
#include "index/IndexFolder.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace quillora {

std::string DefaultIndexFolder() {
    std::filesystem::path base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        std::string folder = home && *home ? home : "";
        if (folder.empty()) {
            const passwd* pw = getpwuid(getuid());
            folder = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
        }
        base = std::filesystem::path(folder) / ".local" / "share";
    }
    return (base / "quillora" / "index").string();
}

} // namespace quillora
