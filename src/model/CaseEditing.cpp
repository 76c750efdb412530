// Look-ups, paths, marks, collections and links over the case tree.
#include "model/CaseEditing.h"

#include "core/Text.h"
#include "model/CFolderPlacer.h"
#include "model/SArcFileInfo.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"

#include <algorithm>

namespace quillora {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Separators are ASCII, and in UTF-8 no byte of a multi-byte character is below
// 0x80, so splitting at the bytes "\" and "/" never cuts a character in two.
std::vector<std::string_view> SplitLevels(std::string_view path) {
    std::vector<std::string_view> levels;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (i > start) {
                levels.push_back(path.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    return levels;
}

// Whether `path` starts with `prefix` without regard to case and continues with
// a separator right after it.
bool IsFolderPrefix(std::string_view prefix, std::string_view path) {
    return path.size() > prefix.size() && path[prefix.size()] == '\\' &&
           text::EqualsNoCase(path.substr(0, prefix.size()), prefix);
}

SFileInfo* FindByPathBelow(const SFileInfo& record, std::string_view path, bool belowMedium,
                           std::string& scratch) {
    record.GetPath(scratch);
    belowMedium = belowMedium || record.HasFlags(kFlagMedium);
    if (text::EqualsNoCase(scratch, path)) {
        return const_cast<SFileInfo*>(&record);
    }
    // From a medium down, a child's path continues its parent's, so a subtree whose
    // path is no folder prefix of the wanted one cannot hold it.
    if (belowMedium && !IsFolderPrefix(scratch, path)) {
        return nullptr;
    }
    for (const auto& child : record.Children()) {
        if (SFileInfo* found = FindByPathBelow(*child, path, belowMedium, scratch)) {
            return found;
        }
    }
    return nullptr;
}

void CollectInto(const SFileInfo& record, std::uint32_t mask, std::vector<SFileInfo*>& out) {
    if (MatchesCollectMask(record, mask)) {
        out.push_back(const_cast<SFileInfo*>(&record));
    }
    for (const auto& child : record.Children()) {
        CollectInto(*child, mask, out);
    }
}

} // namespace

// --- Look-ups ---

int DeepestParentLevel(const SFileInfo& top) {
    // Iterative: the trees asked about are the ones too deep to trust the stack with.
    int deepest = -1;
    std::vector<std::pair<const SFileInfo*, int>> pending{{&top, 0}};
    while (!pending.empty()) {
        const auto [record, level] = pending.back();
        pending.pop_back();
        if (record->ChildCount() == 0) {
            continue;
        }
        deepest = std::max(deepest, level);
        for (const auto& child : record->Children()) {
            pending.emplace_back(child.get(), level + 1);
        }
    }
    return deepest;
}

SFileInfo* FindChildFolder(const SFileInfo& parent, std::string_view name) {
    std::string wanted(name);
    std::replace(wanted.begin(), wanted.end(), '/', '\\');
    for (const auto& child : parent.Children()) {
        if (child->IsDirectory() && text::EqualsNoCase(child->GetName(), wanted)) {
            return child.get();
        }
    }
    return nullptr;
}

SFileInfo* FindByPath(const SFileInfo& root, std::string_view path) {
    std::string scratch;
    return FindByPathBelow(root, path, root.EnclosingMedium() != nullptr, scratch);
}

SFileInfo* EnsureArchiveFolder(SFileInfo& archive, std::string_view path) {
    class CArchiveFolders : public CFolderPlacer::IFolderMaker {
    public:
        std::unique_ptr<SFileInfo> MakeFolder(std::string_view name) override {
            auto folder = std::make_unique<SArcFileInfo>();
            folder->m_dwFlags = kFlagArcEntry | kFlagListedArchive | kAttrDirectory;
            folder->m_strName = std::string(name);
            folder->UpdateDisplayName();
            return folder;
        }
    } folders;
    CFolderPlacer::SRules rules;
    rules.m_match = CFolderPlacer::EMatch::FolderNoCase;
    CFolderPlacer placer(rules, folders);
    return placer.FolderAt(archive, path);
}

// --- Paths ---

SSplitPath SplitPath(std::string_view path) {
    std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos) {
        return {std::string(), std::string(path)};
    }
    return {std::string(path.substr(0, cut + 1)), std::string(path.substr(cut + 1))};
}

std::string RelativePath(const SFileInfo& record, const SFileInfo* base, const char* prefix) {
    std::vector<const SFileInfo*> chain;
    for (const SFileInfo* r = &record; r && r != base && !r->HasFlags(kFlagCase);
         r = r->GetParent()) {
        chain.push_back(r);
        if (r->HasFlags(kFlagMedium)) {
            break;
        }
    }
    std::string path = prefix ? prefix : ".\\";
    if (!path.empty() && !IsSeparator(path.back())) {
        path += '\\';
    }
    for (std::size_t i = chain.size(); i-- > 0;) {
        path += chain[i]->GetName();
        if (i > 0) {
            path += '\\';
        }
    }
    return NormalizePath(path);
}

std::string NormalizePath(std::string_view path) {
    std::string lead;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        lead = "\\\\";
    } else if (!path.empty() && IsSeparator(path[0])) {
        lead = "\\";
    }
    std::vector<std::string_view> levels = SplitLevels(path);
    if (lead.empty() && !levels.empty() && levels.front().size() == 2 && levels.front()[1] == ':') {
        // A drive is a root that ".." cannot climb above.
        lead = std::string(levels.front()) + "\\";
        levels.erase(levels.begin());
    }
    bool keepDot = lead.empty() && !levels.empty() && levels.front() == ".";
    std::vector<std::string_view> kept;
    for (std::string_view level : levels) {
        if (level == ".") {
            continue;
        }
        if (level == "..") {
            if (!kept.empty() && kept.back() != "..") {
                kept.pop_back();
                continue;
            }
            if (!lead.empty()) {
                continue; // nothing lies above the root
            }
        }
        kept.push_back(level);
    }
    std::string out = lead;
    if (keepDot && (kept.empty() || kept.front() != "..")) {
        out += kept.empty() ? "." : ".\\";
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) {
            out += '\\';
        }
        out += kept[i];
    }
    return out;
}

SFileInfo* OutermostArchive(const SFileInfo& record) {
    const SFileInfo* r = &record;
    while (r->GetParent() && r->GetParent()->IsInsideArchive()) {
        r = r->GetParent();
    }
    return r->HasFlags(kFlagListedArchive) ? const_cast<SFileInfo*>(r) : nullptr;
}

std::string PathInsideArchive(const SFileInfo& record) {
    const SFileInfo* archive = OutermostArchive(record);
    if (!archive || archive == &record) {
        return {};
    }
    // Walked by position below the archive rather than by the entry bit, which
    // entries read from the oldest case files lack.
    std::vector<const SFileInfo*> chain;
    for (const SFileInfo* r = &record; r != archive; r = r->GetParent()) {
        if (!r->HasFlags(kFlagParentPlaceholder)) {
            chain.push_back(r);
        }
    }
    std::string path;
    if (record.Class() == RecordClass::ArcFile) {
        path = static_cast<const SArcFileInfo&>(record).m_strArcText;
    }
    for (std::size_t i = chain.size(); i-- > 0;) {
        path += chain[i]->GetName();
        if (i > 0) {
            path += '\\';
        }
    }
    return path;
}

std::string MediumLabel(const SFileInfo& record) {
    const SVolumeInfo* medium = record.EnclosingMedium();
    return medium ? medium->m_strLabel : std::string();
}

// --- Marks and collections ---

void SetMark(SFileInfo& record, std::uint8_t bits, bool on) {
    if (on) {
        record.m_byMark = static_cast<std::uint8_t>(record.m_byMark | bits);
    } else {
        record.m_byMark = static_cast<std::uint8_t>(record.m_byMark & ~bits);
    }
}

bool IsMarked(const SFileInfo& record) {
    return (record.m_byMark & kMarkBit) != 0;
}

bool MatchesCollectMask(const SFileInfo& record, std::uint32_t mask) {
    return (mask & kCollectAll) || ((mask & kCollectMarked) && record.m_byMark != 0) ||
           ((mask & kCollectLinked) && !record.Link().empty()) ||
           ((mask & kCollectCommented) && !record.Comment().empty()) ||
           ((mask & kCollectCategorised) && !record.Category().empty()) ||
           ((mask & kCollectProps) && record.Props() != nullptr);
}

std::vector<SFileInfo*> Collect(const SFileInfo& root, std::uint32_t mask) {
    std::vector<SFileInfo*> out;
    CollectInto(root, mask, out);
    return out;
}

// --- Links ---

void SetLink(SFileInfo& record, const std::string& path, bool force) {
    if (!force && !record.Link().empty()) {
        return;
    }
    if (record.IsDirectory()) {
        SetLinkTree(record, path, 0);
        return;
    }
    record.SetLink(path);
}

void SetLinkTree(SFileInfo& record, const std::string& path, std::uint8_t inherited) {
    record.SetLink(path);
    record.m_bLinkInherited = inherited;
    if (record.HasFlags(kFlagListedArchive)) {
        return;
    }
    for (const auto& child : record.Children()) {
        if (path.empty()) {
            SetLinkTree(*child, std::string(), 0);
            continue;
        }
        std::string childPath = path;
        // A target given with its trailing separator ("D:\", "/mnt/copy/") must not
        // get a second one.
        if (!IsSeparator(childPath.back())) {
            childPath += '\\';
        }
        childPath += child->GetName();
        SetLinkTree(*child, childPath, 1);
    }
}

} // namespace quillora
