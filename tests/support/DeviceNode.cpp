// Device nodes for save-target tests.
#include "support/DeviceNode.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace quillora::test {

std::string DeviceNodeIn(const std::filesystem::path& folder) {
    const std::string node = (folder / "device.cas").string();
    if (::geteuid() == 0 && ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        return node;
    }
    return "/dev/null";
}

} // namespace quillora::test
