// The update commands' copier.
#include "search/CUpdateCopier.h"

#include "platform/FileCopy.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace quillora {

namespace {

std::string Join(const std::string& folder, const char* name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

struct SDirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

void CUpdateCopier::Fail(const std::string& message) {
    m_summary.m_failures.push_back(message);
    if (m_progress) {
        m_progress->CopyFailed(message);
    }
}

void CUpdateCopier::Expand(const SCopyJob& job, std::vector<SItem>& items) {
    // Folders are listed in pre-order, so a folder item always comes before what lies
    // in it; the stack holds the folders still to be listed.
    std::vector<std::size_t> pending;
    auto add = [&](const std::string& source, const std::string& destination, std::size_t parent) {
        struct stat st {};
        if (::lstat(source.c_str(), &st) != 0) {
            Fail(source + ": " + std::strerror(errno));
            return;
        }
        if (S_ISLNK(st.st_mode) && ::stat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            Fail(source + ": a link to a folder is not followed");
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            items.push_back({source, destination, 0, true, parent});
            pending.push_back(items.size() - 1);
        } else {
            items.push_back(
                {source, destination, static_cast<std::uint64_t>(st.st_size), false, parent});
        }
    };
    add(job.m_source, job.m_destination, kNoParent);
    while (!pending.empty()) {
        std::size_t folder = pending.back();
        pending.pop_back();
        const std::string source = items[folder].m_source;
        const std::string destination = items[folder].m_destination;
        std::unique_ptr<DIR, SDirCloser> dir(::opendir(source.c_str()));
        if (!dir) {
            Fail(source + ": " + std::strerror(errno));
            continue;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
                continue;
            }
            add(Join(source, entry->d_name), Join(destination, entry->d_name), folder);
        }
    }
}

SCopySummary CUpdateCopier::Run(const SCopyPlan& plan) {
    m_summary = {};
    for (const std::string& problem : plan.m_problems) {
        Fail(problem);
    }
    std::vector<SItem> items;
    for (const SCopyJob& job : plan.m_jobs) {
        Expand(job, items);
    }
    std::uint64_t total = 0;
    for (const SItem& item : items) {
        total += item.m_size;
    }
    std::uint64_t done = 0;
    std::vector<bool> unusable(items.size(), false);
    SFileCopyOptions options;
    options.m_replace = ECopyReplace::IfOlder;
    options.m_bKeepTimes = true;
    options.m_bKeepMode = true;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const SItem& item = items[i];
        // Below a folder that could not be made nothing can be: its failure says so.
        if (item.m_parent != kNoParent && unusable[item.m_parent]) {
            unusable[i] = true;
            continue;
        }
        if (item.m_parent == kNoParent) {
            std::error_code ec;
            std::filesystem::create_directories(
                std::filesystem::path(item.m_destination).parent_path(), ec);
        }
        if (item.m_bFolder) {
            if (::mkdir(item.m_destination.c_str(), 0755) != 0 && errno != EEXIST) {
                Fail(item.m_destination + ": " + std::strerror(errno));
                unusable[i] = true;
            } else if (struct stat st{};
                       ::stat(item.m_destination.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                Fail(item.m_destination + ": " + std::strerror(ENOTDIR));
                unusable[i] = true;
            }
            continue;
        }
        if (!GoOn(done, total, item.m_source)) {
            m_summary.m_bCancelled = true;
            break;
        }
        std::string error;
        ECopyResult result = CopyFileAtomically(
            item.m_source, item.m_destination, options,
            [&](std::uint64_t bytes) {
                done += bytes;
                return GoOn(done, total, item.m_source);
            },
            &error);
        switch (result) {
        case ECopyResult::Copied:
            ++m_summary.m_nCopied;
            break;
        case ECopyResult::Skipped:
            ++m_summary.m_nSkipped;
            done += item.m_size;
            break;
        case ECopyResult::Failed:
            Fail(error);
            break;
        case ECopyResult::Cancelled:
            m_summary.m_bCancelled = true;
            return m_summary;
        }
    }
    return m_summary;
}

bool CUpdateCopier::GoOn(std::uint64_t done, std::uint64_t total, const std::string& current) {
    if (m_stop.stop_requested()) {
        return false;
    }
    return !m_progress || m_progress->CopyProgress(done, total, current);
}

} // namespace quillora
