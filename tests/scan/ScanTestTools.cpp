// Scanner test helpers.
#include "ScanTestTools.h"

#include "model/SFileInfo.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillora::test {

void MakeDeepTree(const std::string& base, const std::string& name, int depth,
                  const std::string& leafFile) {
    int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < depth && fd >= 0; ++i) {
        mkdirat(fd, name.c_str(), 0755);
        const int next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        fd = next;
    }
    if (fd < 0) {
        throw std::runtime_error("cannot make the deep tree");
    }
    const int file = openat(fd, leafFile.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (file >= 0) {
        (void)!write(file, "leaf", 4);
        close(file);
    }
    close(fd);
}

namespace {

// Empties the folder open at fd; an explicit stack of open folders, so any depth works.
void EmptyFolder(int rootFd) {
    struct SLevel {
        int fd;
        DIR* dir;
    };
    std::vector<SLevel> stack{{rootFd, fdopendir(rootFd)}};
    while (!stack.empty()) {
        SLevel& top = stack.back();
        struct dirent* ent = top.dir ? readdir(top.dir) : nullptr;
        if (!ent) {
            if (top.dir) {
                closedir(top.dir);
            }
            stack.pop_back();
            if (!stack.empty()) {
                // The folder just emptied is removed from its parent by name below.
                rewinddir(stack.back().dir);
            }
            continue;
        }
        const std::string name = ent->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (unlinkat(top.fd, name.c_str(), 0) == 0) {
            continue;
        }
        fchmodat(top.fd, name.c_str(), 0755, 0);
        if (unlinkat(top.fd, name.c_str(), AT_REMOVEDIR) == 0) {
            continue;
        }
        const int child =
            openat(top.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) {
            continue;
        }
        stack.push_back({child, fdopendir(child)});
    }
}

} // namespace

void RemoveTree(const std::string& path) {
    chmod(path.c_str(), 0755);
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        EmptyFolder(fd);
    }
    rmdir(path.c_str());
}

const SFileInfo* Child(const SFileInfo& folder, const std::string& name) {
    for (const auto& child : folder.Children()) {
        if (child->m_strName == name) {
            return child.get();
        }
    }
    return nullptr;
}

int TreeDepth(const SFileInfo& record) {
    int deepest = 0;
    std::vector<std::pair<const SFileInfo*, int>> stack{{&record, 0}};
    while (!stack.empty()) {
        auto [node, depth] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, depth);
        for (const auto& child : node->Children()) {
            if (child->IsDirectory()) {
                stack.push_back({child.get(), depth + 1});
            }
        }
    }
    return deepest;
}

} // namespace quillora::test
