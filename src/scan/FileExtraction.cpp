// File extraction: selection rules, the copy of plain files and the archive members.
#include "scan/FileExtraction.h"

#include "core/ConfigData.h"
#include "core/XdgPaths.h"
#include "model/CaseEditing.h"
#include "model/MediumPath.h"
#include "model/SFileInfo.h"
#include "platform/FileCopy.h"
#include "platform/OsPath.h"
#include "scan/ArchiveExpander.h"

#include <filesystem>

namespace quillora {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kMediumOrCase = kFlagMedium | kFlagCase;

// A name that can stand as one path component below the target: a case file from
// elsewhere could name a record "..", or hold a "/", and so point outside it.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Every file path inside the archive below an archive folder entry (the folder entry
// alone would extract nothing but the folder).
void CollectMemberPaths(const SFileInfo& record, ArcEntryList& out) {
    if (!record.IsDirectory()) {
        out.push_back(PathInsideArchive(record));
        return;
    }
    for (const auto& child : record.Children()) {
        CollectMemberPaths(*child, out);
    }
}

} // namespace

CFileExtraction::CFileExtraction(CArchiveExpander& expander, IExtractionUi& ui)
    : m_expander(expander), m_ui(ui) {}

std::vector<const SFileInfo*>
CFileExtraction::ListSelection(const std::vector<const SFileInfo*>& rows) {
    std::vector<const SFileInfo*> selection;
    for (const SFileInfo* row : rows) {
        if (!row->HasFlags(kMediumOrCase)) {
            selection.push_back(row);
        }
    }
    return selection;
}

std::vector<const SFileInfo*> CFileExtraction::TreeSelection(const SFileInfo* node) {
    if (!node || node->HasFlags(kMediumOrCase)) {
        return {};
    }
    return {node};
}

std::string CFileExtraction::InitialFolder() {
    const CConfigData& config = Config();
    if (config.m_nMeltFolderMode != 0 && !config.m_strMeltFolder.empty()) {
        return config.m_strMeltFolder;
    }
    return TempFolder();
}

bool CFileExtraction::CollectPlainFiles(const SFileInfo& record, const std::string& relative,
                                        std::vector<SCopy>& out) const {
    if (record.IsInsideArchive()) {
        return true;
    }
    std::string name = OsNameFromModel(record.GetName());
    if (!IsPlainName(name)) {
        m_ui.ReportFailure(record.GetName() + ": not a name a file can be extracted under");
        return false;
    }
    if (!record.IsDirectory()) {
        out.push_back({RecordOsPath(record), Join(relative, name), record.m_nSize});
        return true;
    }
    for (const auto& child : record.Children()) {
        if (!CollectPlainFiles(*child, Join(relative, name), out)) {
            return false;
        }
    }
    return true;
}

bool CFileExtraction::CopyOne(const SCopy& copy, const std::string& target, std::uint64_t& done,
                              std::uint64_t total) {
    std::string destination = Join(target, copy.m_relative);
    std::error_code ec;
    fs::create_directories(fs::path(destination).parent_path(), ec);
    // A file of the same name already there is replaced only by a complete copy.
    std::string error;
    ECopyResult result = CopyFileAtomically(
        copy.m_source, destination, SFileCopyOptions{},
        [&](std::uint64_t bytes) {
            done += bytes;
            return m_ui.CopyProgress(done, total, copy.m_source);
        },
        &error);
    if (result == ECopyResult::Failed) {
        m_ui.ReportFailure(error);
    }
    return result == ECopyResult::Copied;
}

bool CFileExtraction::CopyFiles(const std::vector<SCopy>& copies, const std::string& target) {
    std::uint64_t total = 0;
    for (const SCopy& c : copies) {
        total += c.m_size;
    }
    std::uint64_t done = 0;
    for (const SCopy& c : copies) {
        if (!CopyOne(c, target, done, total)) {
            return false;
        }
    }
    return true;
}

bool CFileExtraction::ExtractArchived(const SFileInfo& record, const std::string& destination) {
    const SFileInfo* archive = OutermostArchive(record);
    if (!archive) {
        return true;
    }
    ArcEntryList entries;
    if (archive != &record) {
        CollectMemberPaths(record, entries);
    }
    if (!m_expander.ExtractEntries(*archive, destination, entries, true)) {
        m_ui.ReportFailure(RecordOsPath(*archive) + ": " +
                           (entries.empty() ? std::string("the archive could not be extracted")
                                            : entries.front() + " could not be extracted"));
        return false;
    }
    return true;
}

bool CFileExtraction::ExtractBelowFolder(const SFileInfo& folder, const std::string& destination) {
    for (const auto& child : folder.Children()) {
        std::string name = OsNameFromModel(child->GetName());
        if (!IsPlainName(name)) {
            m_ui.ReportFailure(child->GetName() + ": not a name a file can be extracted under");
            return false;
        }
        std::string below = Join(destination, name);
        if (child->IsInsideArchive()) {
            if (!ExtractArchived(*child, below)) {
                return false;
            }
        } else if (child->IsDirectory() && !ExtractBelowFolder(*child, below)) {
            return false;
        }
    }
    return true;
}

bool CFileExtraction::Run(const std::vector<const SFileInfo*>& selection) {
    if (selection.empty()) {
        return false;
    }
    if (!m_ui.RequireMedium(*selection.front())) {
        return false;
    }
    std::optional<std::string> target = m_ui.ChooseTargetFolder(InitialFolder());
    if (!target) {
        return false;
    }
    std::vector<SCopy> copies;
    for (const SFileInfo* record : selection) {
        if (!CollectPlainFiles(*record, {}, copies)) {
            return false;
        }
    }
    if (!copies.empty() && !CopyFiles(copies, *target)) {
        return false;
    }
    for (const SFileInfo* record : selection) {
        if (record->IsInsideArchive()) {
            if (!ExtractArchived(*record, *target)) {
                return false;
            }
        } else if (record->IsDirectory() &&
                   !ExtractBelowFolder(*record,
                                       Join(*target, OsNameFromModel(record->GetName())))) {
            return false;
        }
    }
    return true;
}

} // namespace quillora
