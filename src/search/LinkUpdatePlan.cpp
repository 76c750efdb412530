// Plans of the link-update commands.
#include "search/LinkUpdatePlan.h"

#include "core/Text.h"
#include "model/CaseEditing.h"
#include "model/MediumPath.h"
#include "model/SFileInfo.h"
#include "platform/OsPath.h"
#include "search/LinkTarget.h"

#include <cstring>
#include <dirent.h>
#include <memory>

namespace quillora {

namespace {

bool IsPlainFolder(const SFileInfo& record) {
    return record.IsDirectory() && !record.HasFlags(kFlagListedArchive);
}

// Records that stand for a file or folder of their own on the medium.
bool HasOwnFile(const SFileInfo& record) {
    return !record.HasFlags(kFlagArcEntry | kFlagGroup | kFlagCase);
}

bool HasChildNamed(const SFileInfo& record, const std::string& name) {
    for (const auto& child : record.Children()) {
        if (text::EqualsNoCase(child->m_strName, name)) {
            return true;
        }
    }
    return false;
}

std::string Join(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

struct SDirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

void PlanFolderEntries(const SFileInfo& record, const std::string& linkFolder,
                       const std::string& mediumFolder, SCopyPlan& plan) {
    std::unique_ptr<DIR, SDirCloser> dir(::opendir(linkFolder.c_str()));
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        if (!HasChildNamed(record, ModelNameFromOs(entry->d_name))) {
            plan.m_jobs.push_back(
                {Join(linkFolder, entry->d_name), Join(mediumFolder, entry->d_name)});
        }
    }
}

} // namespace

SCopyPlan PlanMediumToLinks(const SFileInfo& scope) {
    SCopyPlan plan;
    for (const SFileInfo* record : Collect(scope, kCollectLinked)) {
        if (IsPlainFolder(*record) || !HasOwnFile(*record)) {
            continue;
        }
        std::string source = RecordOsPath(*record);
        if (source.empty()) {
            continue; // its medium is not in a drive
        }
        FileTime target = 0;
        if (LinkTargetTime(record->Link(), &target) && target >= record->m_ftLastWrite) {
            continue;
        }
        std::string destination = LinkOsPath(record->Link());
        if (destination.empty()) {
            plan.m_problems.push_back(record->Link() + ": not a path on this system");
            continue;
        }
        plan.m_jobs.push_back({source, destination});
    }
    return plan;
}

SCopyPlan PlanLinksToMedium(const SFileInfo& scope) {
    SCopyPlan plan;
    for (const SFileInfo* record : Collect(scope, kCollectLinked)) {
        if (!HasOwnFile(*record)) {
            continue;
        }
        std::string onMedium = RecordOsPath(*record);
        std::string linkPath = LinkOsPath(record->Link());
        if (onMedium.empty() || linkPath.empty()) {
            continue;
        }
        if (IsPlainFolder(*record)) {
            PlanFolderEntries(*record, linkPath, onMedium, plan);
            continue;
        }
        FileTime target = 0;
        if (OsLastWriteTime(linkPath, &target) && target > record->m_ftLastWrite) {
            plan.m_jobs.push_back({linkPath, onMedium});
        }
    }
    return plan;
}

} // namespace quillora
