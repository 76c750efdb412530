// Small builders for the editing tests: media, folders, files and archive entries
// added below a parent, and a model-settings stand-in for the display-name mode.
#pragma once

#include "core/IModelSettings.h"
#include "model/SArcFileInfo.h"
#include "model/SFileInfo.h"
#include "model/SVolumeInfo.h"

#include <memory>
#include <string>

namespace quillora::test {

inline SFileInfo* AddFile(SFileInfo& parent, const std::string& name, std::uint64_t size = 0) {
    auto file = std::make_unique<SFileInfo>();
    file->m_strName = name;
    file->m_nSize = size;
    file->m_dwFlags = kAttrArchive;
    return parent.AddChild(std::move(file));
}

inline SFileInfo* AddFolder(SFileInfo& parent, const std::string& name) {
    auto folder = std::make_unique<SFileInfo>();
    folder->m_strName = name;
    folder->m_dwFlags = kAttrDirectory;
    return parent.AddChild(std::move(folder));
}

// A medium at `location` (its root; its name stays empty), present when it has one.
inline SVolumeInfo* AddMedium(SFileInfo& parent, const std::string& label,
                              const std::string& root = {}, std::uint32_t kind = kFlagCdRom) {
    auto medium = std::make_unique<SVolumeInfo>();
    medium->m_dwFlags |= kind;
    medium->m_strLabel = label;
    medium->m_strOrgLabel = label + "_ORG";
    medium->m_strRoot = root;
    medium->m_bPresent = root.empty() ? 0 : 1;
    medium->RecomputeLocation();
    return static_cast<SVolumeInfo*>(parent.AddChild(std::move(medium)));
}

inline SArcFileInfo* AddEntry(SFileInfo& parent, const std::string& name, std::uint32_t extra = 0) {
    auto entry = std::make_unique<SArcFileInfo>();
    entry->m_strName = name;
    entry->m_dwFlags |= extra;
    return static_cast<SArcFileInfo*>(parent.AddChild(std::move(entry)));
}

// Installs its own options as the model's settings for as long as it lives.
class CScopedModelSettings : public IModelSettings {
public:
    explicit CScopedModelSettings(int fileDispMode)
        : m_mode(fileDispMode), m_previous(ModelSettings()) {
        SetModelSettings(this);
    }
    ~CScopedModelSettings() override { SetModelSettings(m_previous); }
    CScopedModelSettings(const CScopedModelSettings&) = delete;
    CScopedModelSettings& operator=(const CScopedModelSettings&) = delete;

    int MediaId() const override { return 0; }
    int FileDispMode() const override { return m_mode; }
    int SizeUnitMode() const override { return 0; }

private:
    int m_mode;
    const IModelSettings* m_previous;
};

} // namespace quillora::test
