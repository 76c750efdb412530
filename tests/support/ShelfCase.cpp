// Building and saving the planted cases: folders are made as the paths need them.
#include "support/ShelfCase.h"

#include "model/CaseFile.h"
#include "model/SArcFileInfo.h"
#include "model/SGroupInfo.h"
#include "model/SVolumeInfo.h"

#include <filesystem>
#include <memory>

namespace quillora::test {

namespace {

SFileInfo& FolderFor(SFileInfo& medium, const std::string& path, std::string& leaf) {
    SFileInfo* folder = &medium;
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('\\', start)) != std::string::npos;
         start = slash + 1) {
        const std::string name = path.substr(start, slash - start);
        SFileInfo* next = nullptr;
        for (const auto& child : folder->Children()) {
            if (child->m_strName == name && child->IsDirectory()) {
                next = child.get();
            }
        }
        if (!next) {
            auto made = std::make_unique<SFileInfo>();
            made->m_strName = name;
            made->m_dwFlags |= kAttrDirectory;
            next = folder->AddChild(std::move(made));
        }
        folder = next;
    }
    leaf = path.substr(start);
    return *folder;
}

void Plant(SFileInfo& medium, const SPlantedFile& planted) {
    std::string leaf;
    SFileInfo& folder = FolderFor(medium, planted.m_strPath, leaf);
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = leaf;
    file->m_nSize = planted.m_nSize;
    file->m_dwFlags |= kAttrArchive;
    file->m_ftLastWrite = planted.m_ftLastWrite;
    if (planted.m_dwCrc != 0) {
        file->m_wExtFlags = kExtFlagCrc;
        file->m_dwExtValue = planted.m_dwCrc;
    }
    if (!planted.m_entries.empty()) {
        file->m_dwFlags |= kFlagListedArchive | kAttrDirectory;
        file->m_wArcType = kArcZip;
    }
    SFileInfo* added = folder.AddChild(std::move(file));
    for (const SPlantedFile::SEntry& e : planted.m_entries) {
        auto entry = std::make_unique<SArcFileInfo>();
        entry->m_strName = e.m_strName;
        entry->m_nSize = e.m_nSize;
        entry->m_dwFlags |= kAttrArchive;
        entry->m_ftLastWrite = planted.m_ftLastWrite;
        if (e.m_dwCrc != 0) {
            entry->m_wExtFlags = kExtFlagCrc;
            entry->m_dwExtValue = e.m_dwCrc;
        }
        added->AddChild(std::move(entry));
    }
}

} // namespace

void WriteShelfCase(const std::string& path, const std::vector<SPlantedMedium>& media,
                    const std::string& password) {
    CCDCase root;
    root.m_strPassword = password;
    for (const SPlantedMedium& planted : media) {
        SFileInfo* parent = &root;
        if (!planted.m_strGroup.empty()) {
            parent = nullptr;
            for (const auto& child : root.Children()) {
                if (child->HasFlags(kFlagGroup) &&
                    static_cast<SVolumeInfo&>(*child).m_strLabel == planted.m_strGroup) {
                    parent = child.get();
                }
            }
            if (!parent) {
                auto group = std::make_unique<SGroupInfo>();
                group->SetLabel(planted.m_strGroup);
                parent = root.AddChild(std::move(group));
            }
        }
        auto medium = std::make_unique<SVolumeInfo>();
        medium->m_strLabel = planted.m_strLabel;
        medium->m_strOrgLabel = planted.m_strLabel;
        medium->m_dwSerial = planted.m_dwSerial;
        medium->m_strName = planted.m_strName;
        medium->m_dwFlags |= kFlagRemovable;
        SFileInfo* disc = parent->AddChild(std::move(medium));
        for (const SPlantedFile& file : planted.m_files) {
            Plant(*disc, file);
        }
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    SaveCaseFile(root, path, false);
}

} // namespace quillora::test
