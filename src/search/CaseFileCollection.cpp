// Walking the base folder for case files.
#include "search/CaseFileCollection.h"

#include "core/FileTypeCode.h"
#include "platform/DirectoryReader.h"
#include "platform/OsPath.h"

#include <set>
#include <sys/stat.h>
#include <utility>

namespace quillora {

namespace {

struct SFolder {
    std::string relative; // empty for the base folder
    std::vector<SDirEntry> entries;
    std::size_t next = 0;
    std::pair<dev_t, ino_t> id{};
};

std::string Join(const std::string& prefix, const std::string& name) {
    return prefix.empty() ? name : prefix + "/" + name;
}

} // namespace

std::string TrimBaseFolder(const std::string& folder) {
    if (folder.size() > 1 && folder.back() == '/') {
        return folder.substr(0, folder.size() - 1);
    }
    return folder;
}

std::string CaseFilePath(const std::string& baseFolder, const std::string& relativePath) {
    if (!baseFolder.empty() && baseFolder.back() == '/') {
        return baseFolder + relativePath;
    }
    return baseFolder + "/" + relativePath;
}

std::string CaseFileDisplayPath(const std::string& relativePath) {
    std::string out;
    std::size_t begin = 0;
    while (begin <= relativePath.size()) {
        std::size_t slash = relativePath.find('/', begin);
        if (slash == std::string::npos) {
            slash = relativePath.size();
        }
        if (!out.empty() || begin > 0) {
            out += '/';
        }
        out += ModelNameFromOs(std::string_view(relativePath).substr(begin, slash - begin));
        begin = slash + 1;
    }
    return out;
}

std::vector<SCaseFileEntry> CollectCaseFiles(const std::string& baseFolder,
                                             const std::stop_token& stop) {
    std::vector<SCaseFileEntry> found;
    const std::string base = TrimBaseFolder(baseFolder);
    if (base.empty()) {
        return found;
    }
    // Folders on the way down, each with its listing; the walk resumes a folder's
    // listing after a subfolder is done, so files and subfolders keep their order.
    std::vector<SFolder> stack;
    std::set<std::pair<dev_t, ino_t>> open;
    auto enter = [&](const std::string& relative) {
        const std::string osPath = relative.empty() ? base : CaseFilePath(base, relative);
        struct stat st {};
        if (::stat(osPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            return;
        }
        std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
        if (!open.insert(id).second) {
            return;
        }
        SFolder folder;
        folder.relative = relative;
        folder.id = id;
        CDirectoryReader::ReadAll(osPath, folder.entries);
        stack.push_back(std::move(folder));
    };
    enter({});
    while (!stack.empty()) {
        if (stop.stop_requested()) {
            break;
        }
        SFolder& folder = stack.back();
        if (folder.next >= folder.entries.size()) {
            open.erase(folder.id);
            stack.pop_back();
            continue;
        }
        const SDirEntry& entry = folder.entries[folder.next++];
        const std::uint16_t code = FileTypeCode(entry.m_name);
        if (code == kFtCas || code == kFtCaz) {
            found.push_back({Join(folder.relative, entry.m_osName), -1, false});
        } else if (entry.m_kind == EntryKind::Directory) {
            enter(Join(folder.relative, entry.m_osName));
        }
    }
    return found;
}

} // namespace quillora
