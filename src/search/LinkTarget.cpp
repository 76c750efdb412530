// Link targets on this system.
#include "search/LinkTarget.h"

#include "platform/OsPath.h"

#include <cctype>
#include <sys/stat.h>

namespace quillora {

namespace {

bool IsDriveLetterPath(std::string_view link) {
    return link.size() >= 2 && std::isalpha(static_cast<unsigned char>(link[0])) && link[1] == ':';
}

} // namespace

std::string LinkOsPath(std::string_view link) {
    // "\\server\share" must not turn into "/server/share" and be found by chance.
    if (link.empty() || IsDriveLetterPath(link) || link.substr(0, 2) == "\\\\" ||
        link.substr(0, 2) == "//") {
        return {};
    }
    if (link.front() != '/' && link.front() != '\\') {
        return {};
    }
    return OsPathFromModel(link);
}

bool OsLastWriteTime(const std::string& osPath, FileTime* time) {
    struct stat st {};
    if (osPath.empty() || ::stat(osPath.c_str(), &st) != 0) {
        return false;
    }
    *time = FileTimeFromUnix(st.st_mtim.tv_sec, static_cast<std::uint32_t>(st.st_mtim.tv_nsec));
    return true;
}

bool LinkTargetTime(std::string_view link, FileTime* time) {
    return OsLastWriteTime(LinkOsPath(link), time);
}

} // namespace quillora
