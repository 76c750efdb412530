// CListPlacement: where the lines of a list import go: into a medium by the line's
// label, into folders by its path (made as needed, by CFolderPlacer), as a new entry,
// as the values of a folder an earlier path made, or as the medium's own values.
// Folder sizes are the sums of what they hold, kept as the entries come.
#pragma once

#include "export/CCsvRowMapper.h"
#include "model/CFolderPlacer.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace quillora {

class CCDCase;
struct CPropertyDefinition;
class CPropertySet;
class SFileInfo;
class SVolumeInfo;

class CListPlacement : private CFolderPlacer::IFolderMaker {
public:
    CListPlacement();
    ~CListPlacement() override;
    CListPlacement(const CListPlacement&) = delete;
    CListPlacement& operator=(const CListPlacement&) = delete;

    // Places one line's values. Throws CImportError for a path deeper than a case
    // holds and for properties that have no place.
    void Place(const SImportRow& row, std::uint64_t line);

    // A temporary case root holding the media, in the order their labels came.
    std::unique_ptr<CCDCase> TakeRoot();
    // Entries made, and lines that made nothing (an entry already in its folder, an
    // entry without a name, a line outside any medium).
    std::uint64_t Entries() const { return m_nEntries; }
    std::uint64_t Skipped() const { return m_nSkipped; }

private:
    SVolumeInfo* Medium(std::string_view label);
    SFileInfo* Folder(SVolumeInfo& medium, std::string_view path, std::uint64_t line);
    void AddToFolders(SFileInfo* folder, std::uint64_t size);
    void Apply(const SImportRow& row, SFileInfo& entry, std::uint64_t line);
    std::unique_ptr<CPropertySet> MakeProps(const SImportRow& row, std::uint64_t line);

    // --- CFolderPlacer::IFolderMaker ---
    std::unique_ptr<SFileInfo> MakeFolder(std::string_view name) override;
    void Made(SFileInfo& folder) override;
    void Found(SFileInfo& record) override;

    std::unique_ptr<CCDCase> m_pRoot;
    CFolderPlacer m_placer;
    const CPropertyDefinition* m_pDefinition = nullptr;
    SVolumeInfo* m_pLastMedium = nullptr;
    std::uint64_t m_nEntries = 0;
    std::uint64_t m_nSkipped = 0;
};

} // namespace quillora
