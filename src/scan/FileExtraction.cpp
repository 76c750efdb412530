// File extraction: selection rules, the copy of plain files and the archive members.
#include "scan/FileExtraction.h"

#include "model/CaseEditing.h"
#include "model/MediumPath.h"
#include "model/SFileInfo.h"
#include "platform/OsPath.h"
#include "scan/ArchiveExpander.h"
#include "scan/ExtractedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace quillora {

namespace {

constexpr std::uint32_t kMediumOrCase = kFlagMedium | kFlagCase;

// A name that can stand as one path component below the target: a case file from
// elsewhere could name a record "..", or hold a "/", and so point outside it.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::vector<std::string> With(std::vector<std::string> components, std::string name) {
    components.push_back(std::move(name));
    return components;
}

const char* KindOf(mode_t mode) {
    if (S_ISLNK(mode)) {
        return "a symbolic link";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    return "not a regular file";
}

// Every file path inside the archive below an archive folder entry (the folder entry
// alone would extract nothing but the folder), and the folders on the way, which are
// made even when empty.
void CollectMemberPaths(const SFileInfo& record, ArcEntryList& files,
                        std::vector<std::string>& folders) {
    if (!record.IsDirectory()) {
        files.push_back(PathInsideArchive(record));
        return;
    }
    folders.push_back(PathInsideArchive(record));
    for (const auto& child : record.Children()) {
        CollectMemberPaths(*child, files, folders);
    }
}

} // namespace

CFileExtraction::CFileExtraction(CArchiveExpander& expander, IExtractionUi& ui,
                                 std::string initialFolder)
    : m_expander(expander), m_ui(ui), m_initialFolder(std::move(initialFolder)) {}

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

bool CFileExtraction::CollectPlainFiles(const SFileInfo& record, const Components& relative,
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
        out.push_back({RecordOsPath(record), With(relative, name), record.m_nSize});
        return true;
    }
    const Components below = With(relative, name);
    for (const auto& child : record.Children()) {
        if (!CollectPlainFiles(*child, below, out)) {
            return false;
        }
    }
    return true;
}

bool CFileExtraction::CopyOne(const SCopy& copy, std::uint64_t& done, std::uint64_t total) {
    // Only regular files are read: a FIFO, socket or device on the medium is never
    // opened, and a symbolic link is not followed; they are reported at the end.
    struct stat st {};
    if (::lstat(copy.m_source.c_str(), &st) != 0) {
        m_ui.ReportFailure(copy.m_source + ": " + std::strerror(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        m_skipped.push_back(copy.m_source + ": " + KindOf(st.st_mode));
        return true;
    }
    CUniqueFd in(
        ::open(copy.m_source.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.Get() < 0 || ::fstat(in.Get(), &st) != 0) {
        m_ui.ReportFailure(copy.m_source + ": " + std::strerror(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        m_skipped.push_back(copy.m_source + ": " + KindOf(st.st_mode));
        return true;
    }
    Components folders = copy.m_relative;
    const std::string name = folders.back();
    folders.pop_back();
    CUniqueFd folder = m_target.OpenFolder(folders, true);
    if (folder.Get() < 0) {
        m_ui.ReportFailure(m_target.Error());
        return false;
    }
    // The copy arrives whole under its name or not at all: a file of that name
    // already there is replaced only by a complete copy.
    CExtractedFile out;
    if (!out.Create(folder.Get(), name, m_target.Shown(copy.m_relative))) {
        m_ui.ReportFailure(out.Error());
        return false;
    }
    std::vector<char> buffer(1 << 17);
    std::uint64_t length = 0;
    for (;;) {
        const ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            m_ui.ReportFailure(copy.m_source + ": " + std::strerror(errno));
            return false;
        }
        if (n == 0) {
            break;
        }
        if (!out.Append(buffer.data(), static_cast<std::size_t>(n))) {
            m_ui.ReportFailure(out.Error());
            return false;
        }
        length += static_cast<std::uint64_t>(n);
        done += static_cast<std::uint64_t>(n);
        if (!m_ui.CopyProgress(done, total, copy.m_source)) {
            return false;
        }
    }
    if (!out.Commit(length, st.st_mode & 0777, st.st_mtim, &st.st_atim)) {
        m_ui.ReportFailure(out.Error());
        return false;
    }
    return true;
}

bool CFileExtraction::CopyFiles(const std::vector<SCopy>& copies) {
    std::uint64_t total = 0;
    for (const SCopy& c : copies) {
        total += c.m_size;
    }
    std::uint64_t done = 0;
    for (const SCopy& c : copies) {
        if (!CopyOne(c, done, total)) {
            return false;
        }
    }
    return true;
}

bool CFileExtraction::ExtractArchived(const SFileInfo& record, const Components& destination) {
    const SFileInfo* archive = OutermostArchive(record);
    if (!archive) {
        return true;
    }
    // The destination is made (or found) without following links, so the archiver
    // is handed a folder that really lies below the target.
    if (m_target.OpenFolder(destination, true).Get() < 0) {
        m_ui.ReportFailure(m_target.Error());
        return false;
    }
    ArcEntryList entries;
    std::vector<std::string> folders;
    if (archive != &record) {
        CollectMemberPaths(record, entries, folders);
    }
    // A folder without files extracts nothing from the archive (an empty list would
    // mean the whole archive): only its folders are made.
    if (archive == &record || !entries.empty()) {
        std::string error;
        if (!m_expander.ExtractEntries(*archive, m_target.Shown(destination), entries, true,
                                       &error)) {
            m_ui.ReportFailure(error.empty() ? RecordOsPath(*archive) + ": extraction failed"
                                             : error);
            return false;
        }
    }
    for (const std::string& folder : folders) {
        std::optional<SExtractedParts> parts = ExtractedParts(folder, true);
        if (!parts) {
            continue;
        }
        Components path = destination;
        path.insert(path.end(), parts->m_folders.begin(), parts->m_folders.end());
        path.push_back(parts->m_strLeaf);
        if (m_target.OpenFolder(path, true).Get() < 0) {
            m_ui.ReportFailure(m_target.Error());
            return false;
        }
    }
    return true;
}

bool CFileExtraction::ExtractBelowFolder(const SFileInfo& folder, const Components& destination) {
    for (const auto& child : folder.Children()) {
        std::string name = OsNameFromModel(child->GetName());
        if (!IsPlainName(name)) {
            m_ui.ReportFailure(child->GetName() + ": not a name a file can be extracted under");
            return false;
        }
        const Components below = With(destination, name);
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
    std::optional<std::string> target = m_ui.ChooseTargetFolder(m_initialFolder);
    if (!target) {
        return false;
    }
    m_skipped.clear();
    if (!m_target.Open(*target)) {
        m_ui.ReportFailure(m_target.Error());
        return false;
    }
    std::vector<SCopy> copies;
    for (const SFileInfo* record : selection) {
        if (!CollectPlainFiles(*record, {}, copies)) {
            return false;
        }
    }
    if (!copies.empty() && !CopyFiles(copies)) {
        return false;
    }
    for (const SFileInfo* record : selection) {
        if (record->IsInsideArchive()) {
            if (!ExtractArchived(*record, {})) {
                return false;
            }
        } else if (record->IsDirectory() &&
                   !ExtractBelowFolder(*record, {OsNameFromModel(record->GetName())})) {
            return false;
        }
    }
    if (!m_skipped.empty()) {
        m_ui.ReportSkipped(m_skipped);
    }
    return true;
}

} // namespace quillora
