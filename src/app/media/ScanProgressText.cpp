// Progress texts of the loading dialog.
#include "app/media/ScanProgressText.h"

#include "core/Resources.h"
#include "model/SFileInfo.h"
#include "scan/IScanProgress.h"

#include <vector>

namespace quillora {

namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte offsets where each character starts.
std::vector<std::size_t> CharacterStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsContinuationByte(text[i])) {
            starts.push_back(i);
        }
    }
    return starts;
}

} // namespace

std::string ProgressFolderPath(const SFileInfo& record) {
    const std::string path = record.GetPath();
    const auto last = path.rfind('\\');
    if (last == std::string::npos) {
        return path;
    }
    std::string folder = path.substr(0, last + 1);
    const SFileInfo* parent = record.GetParent();
    if (parent != nullptr && parent->GetPath().find('\\') != std::string::npos) {
        folder.pop_back();
    }
    // Shown the way Linux writes paths. A catalogue name holds no "\" (a "\" of a
    // Linux name is kept as a stand-in character), so every one is a separator.
    std::string shown;
    shown.reserve(folder.size());
    for (char c : folder) {
        const char next = c == '\\' ? '/' : c;
        if (next == '/' && !shown.empty() && shown.back() == '/') {
            continue; // the root "/" joined with a separator
        }
        shown += next;
    }
    return shown;
}

std::string ShortenProgressPath(const std::string& path, std::size_t limit) {
    const auto starts = CharacterStarts(path);
    if (starts.size() <= limit || limit <= 3) {
        return path;
    }
    const std::size_t tailStart = starts[starts.size() - (limit - 3)];
    const auto separator = path.find_first_of("\\/", tailStart);
    if (separator == std::string::npos || separator + 1 == path.size()) {
        return path;
    }
    return ".../" + path.substr(separator + 1);
}

std::string ProgressNameLine(int code, const std::string& name) {
    switch (code) {
    case kScanProgressArcComment:
        return Res(291) + name;
    case kScanProgressArcExtract:
        return Res(308) + name;
    case kScanProgressCrc:
        return Res(529) + name;
    default:
        return name;
    }
}

} // namespace quillora
