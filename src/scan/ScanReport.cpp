// Scan report: counts, the items behind them, and their texts.
#include "scan/ScanReport.h"

#include "core/TraceLog.h"
#include "model/MediumPath.h"
#include "model/SFileInfo.h"

#include <cstring>

namespace quillora {

namespace {

// "1 folder" / "2 folders".
std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

void Append(std::string& text, const std::string& part) {
    if (!text.empty()) {
        text += ", ";
    }
    text += part;
}

} // namespace

void CScanReport::Clear() {
    *this = CScanReport();
}

void CScanReport::Add(SkipKind kind, SFileInfo& record, int error) {
    ++m_counts[static_cast<std::size_t>(kind)];
    m_items.push_back({kind, &record, error});
    if (LogMode() != 0) {
        LogFormat("Skipped [%s]: %s%s%s", RecordOsPath(record).c_str(), KindText(kind),
                  error ? ": " : "", error ? std::strerror(error) : "");
    }
}

std::vector<SFileInfo*> CScanReport::FoldersNotRead() const {
    std::vector<SFileInfo*> folders;
    for (const SSkippedItem& item : m_items) {
        if (item.m_kind != SkipKind::UnreadableFile && item.m_record->IsDirectory()) {
            folders.push_back(item.m_record);
        }
    }
    return folders;
}

std::string CScanReport::Summary() const {
    std::string text;
    const std::size_t folders = Count(SkipKind::UnreadableFolder);
    const std::size_t files = Count(SkipKind::UnreadableFile);
    if (folders != 0 && files != 0) {
        Append(text, Counted(folders, "folder", "folders") + " and " +
                         Counted(files, "file", "files") + " could not be read");
    } else if (folders != 0) {
        Append(text, Counted(folders, "folder", "folders") + " could not be read");
    } else if (files != 0) {
        Append(text, Counted(files, "file", "files") + " could not be read");
    }
    if (const std::size_t deep = Count(SkipKind::TooDeep)) {
        Append(text, Counted(deep, "folder", "folders") + " too deep to enter");
    }
    if (const std::size_t mounts = Count(SkipKind::OtherFileSystem)) {
        Append(text,
               Counted(mounts, "mounted file system", "mounted file systems") + " not entered");
    }
    return text;
}

const char* CScanReport::KindText(SkipKind kind) {
    switch (kind) {
    case SkipKind::UnreadableFolder:
        return "cannot read folder";
    case SkipKind::UnreadableFile:
        return "cannot read file";
    case SkipKind::TooDeep:
        return "too deep to enter";
    case SkipKind::OtherFileSystem:
        return "mounted file system not entered";
    }
    return "";
}

} // namespace quillora
