// List placement: media by label without regard to case, folders by path below them,
// entries by exact name, sizes summed upwards as each entry comes.
#include "export/CListPlacement.h"

#include "core/Text.h"
#include "export/CImportError.h"
#include "export/FormItem.h"
#include "model/CCDCase.h"
#include "model/CaseSchema.h"
#include "model/PropertyDefinitions.h"
#include "model/SVolumeInfo.h"

#include <string>

namespace quillora {

namespace {

// The attribute Windows gives a file without other attributes: imported entries carry it.
constexpr std::uint32_t kAttrNormal = 0x00000080;
// Folder levels a path may have below its medium: the reader refuses deeper trees, and
// room is left for the medium being put into a group later.
constexpr std::size_t kMaxFolderLevels = kMaxTreeDepth - 4;

std::size_t FirstSeparator(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == '/') {
            return i;
        }
    }
    return std::string_view::npos;
}

CFolderPlacer::SRules ListRules() {
    CFolderPlacer::SRules rules;
    rules.m_match = CFolderPlacer::EMatch::Exact;
    rules.m_bSkipDot = true;
    rules.m_nMaxLevels = kMaxFolderLevels;
    return rules;
}

} // namespace

CListPlacement::CListPlacement()
    : m_pRoot(std::make_unique<CCDCase>()), m_placer(ListRules(), *this) {}

CListPlacement::~CListPlacement() = default;

std::unique_ptr<CCDCase> CListPlacement::TakeRoot() {
    // The records below the media took their display names as they were made, and
    // the folders their sizes.
    for (const auto& medium : m_pRoot->Children()) {
        medium->UpdateDisplayName();
    }
    return std::move(m_pRoot);
}

[[gnu::always_inline]] inline SVolumeInfo* CListPlacement::Medium(std::string_view label) {
    if (m_pLastMedium && text::SameText(m_pLastMedium->m_strLabel, label)) {
        return m_pLastMedium;
    }
    for (const auto& child : m_pRoot->Children()) {
        auto* medium = static_cast<SVolumeInfo*>(child.get());
        if (text::EqualsNoCase(medium->m_strLabel, label)) {
            return m_pLastMedium = medium;
        }
    }
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_dwFlags |= kFlagFixed;
    medium->m_strLabel = std::string(label);
    medium->m_strName = std::string(label);
    medium->RecomputeLocation();
    m_pLastMedium = static_cast<SVolumeInfo*>(m_pRoot->AddChild(std::move(medium)));
    return m_pLastMedium;
}

std::unique_ptr<SFileInfo> CListPlacement::MakeFolder(std::string_view name) {
    auto created = std::make_unique<SFileInfo>();
    created->m_strName = std::string(name);
    created->m_dwFlags = kAttrDirectory;
    return created;
}

void CListPlacement::Made(SFileInfo& folder) {
    // Set now, while the record is at hand (the name never changes afterwards).
    folder.UpdateDisplayName();
}

void CListPlacement::Found(SFileInfo& record) {
    if (record.IsDirectory()) {
        return;
    }
    // A level that an earlier line made as a file becomes a folder: only folders hold
    // entries. Its size becomes that of what it will hold.
    record.m_dwFlags = (record.m_dwFlags & ~kAttrNormal) | kAttrDirectory;
    AddToFolders(record.GetParent(), 0 - record.m_nSize);
    record.m_nSize = 0;
}

// The folder of the path below the medium, made as needed.
SFileInfo* CListPlacement::Folder(SVolumeInfo& medium, std::string_view path, std::uint64_t line) {
    std::string_view rest = path;
    if (std::size_t colon = rest.find(':'); colon != std::string_view::npos) {
        rest.remove_prefix(colon + 1); // the drive
    } else if (rest.size() >= 2 && (rest[0] == '\\' || rest[0] == '/') &&
               (rest[1] == '\\' || rest[1] == '/')) {
        // A network path: the server is not a folder of the medium.
        rest.remove_prefix(2);
        const std::size_t cut = FirstSeparator(rest);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut);
    }
    SFileInfo* folder = m_placer.FolderAt(medium, rest);
    if (!folder) {
        throw CImportError(line, EImportProblem::TooDeep,
                           "the path has more than " + std::to_string(kMaxFolderLevels) +
                               " folder levels, more than a case file can hold",
                           std::string(path.substr(0, 256)));
    }
    return folder;
}

// A folder's size is the sum of what it holds: an entry's size is added to its folder
// and every folder above it, the medium included, as the entry comes (modulo 2^64, as
// a sum made afterwards would be).
void CListPlacement::AddToFolders(SFileInfo* folder, std::uint64_t size) {
    for (; folder && folder != m_pRoot.get(); folder = folder->GetParent()) {
        folder->m_nSize += size;
    }
}

[[gnu::always_inline]] inline void CListPlacement::Apply(const SImportRow& row, SFileInfo& entry,
                                                         std::uint64_t line) {
    entry.m_ftLastWrite = row.m_times[0];
    entry.m_ftCreation = row.m_times[1];
    entry.m_ftLastAccess = row.m_times[2];
    if (!row.m_strComment.empty()) {
        entry.SetComment(std::string(row.m_strComment));
    }
    if (!row.m_strCategory.empty()) {
        entry.SetCategory(std::string(row.m_strCategory));
    }
    if (row.m_dwCrc != 0) {
        entry.m_dwExtValue = row.m_dwCrc;
        entry.m_wExtFlags |= kExtFlagCrc;
    }
    if (row.m_bProps) {
        entry.SetProps(MakeProps(row, line));
    }
}

std::unique_ptr<CPropertySet> CListPlacement::MakeProps(const SImportRow& row, std::uint64_t line) {
    if (!m_pDefinition) {
        m_pDefinition = PropertyDefinitions()->FindByName("Improt");
        if (!m_pDefinition) {
            static const CPropertyDefinition own{
                "Improt", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false};
            m_pDefinition = &own;
        }
    }
    auto props = std::make_unique<CPropertySet>(m_pDefinition);
    if (m_pDefinition->m_bAdopted) {
        props->Values().resize(11);
    }
    for (int key = 1; key <= 11; ++key) {
        const std::string_view value = row.m_props[key - 1];
        if (value.empty()) {
            continue;
        }
        const std::vector<int>& keys = m_pDefinition->m_itemKeys;
        std::size_t slot = 0;
        while (slot < keys.size() && slot < props->Values().size() && keys[slot] != key) {
            ++slot;
        }
        if (slot >= keys.size() || slot >= props->Values().size()) {
            const std::string item = FormItemListText(kItemProperty1 + key - 1);
            throw CImportError(line, EImportProblem::PropertyHasNoPlace,
                               "the item \"" + item + "\" has no place in the imported properties",
                               item);
        }
        props->Values()[slot] = std::string(value);
    }
    return props;
}

void CListPlacement::Place(const SImportRow& row, std::uint64_t line) {
    if (row.m_strLabel.empty()) {
        ++m_nSkipped; // the case itself or a group: outside any medium
        return;
    }
    SVolumeInfo* medium = Medium(row.m_strLabel);
    SFileInfo* folder = Folder(*medium, row.m_strFolder, line);
    if (!row.m_bName || row.m_strName.empty()) {
        if (folder == medium) {
            // The medium's own line.
            medium->m_ftLastWrite = row.m_times[0];
            medium->m_ftCreation = row.m_times[1];
            medium->m_ftLastAccess = row.m_times[2];
            medium->SetComment(std::string(row.m_strComment));
            medium->SetCategory(std::string(row.m_strCategory));
        } else {
            ++m_nSkipped;
        }
        return;
    }
    const CFolderPlacer::SKey key = m_placer.KeyFor(row.m_strName);
    if (SFileInfo* existing = m_placer.Find(*folder, key)) {
        // A folder an earlier path made takes its own line's values; anything else is
        // there already.
        if (m_placer.TakeMade(*existing)) {
            Apply(row, *existing, line);
        } else {
            ++m_nSkipped;
        }
        return;
    }
    auto entry = std::make_unique<SFileInfo>();
    entry->m_strName = std::string(row.m_strName);
    entry->m_dwFlags = kAttrNormal;
    entry->m_nSize = row.m_nSize;
    Apply(row, *entry, line);
    // Its display name is set now, while the record is at hand.
    m_placer.Add(*folder, std::move(entry), key)->UpdateDisplayName();
    AddToFolders(folder, row.m_nSize);
    ++m_nEntries;
}

} // namespace quillora
