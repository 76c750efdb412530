// The ZIP selector: picks the first ZIP reader that loads and forwards every
// operation to it; with none chosen every operation answers 0 or false.
#pragma once

#include "scan/Archiver.h"

#include <memory>
#include <vector>

namespace quillora {

class CZipArchiver : public CArchiver {
public:
    CZipArchiver();
    // For tests and other readers: the variants to choose from, in order.
    explicit CZipArchiver(std::vector<std::unique_ptr<CArchiver>> variants);
    ~CZipArchiver() override;

    bool Load(std::string_view name = {}, std::string_view folder = {}) override;
    void Unload() override;
    bool Reload() override;
    bool IsLoaded() const override;
    bool SupportsMode(int mode) const override;
    bool CanReadSelfExtracting() const override;
    int GetId() const override;
    bool Extract(const std::string& archivePath, const std::string& destFolder,
                 const ArcEntryList& entries, bool withFolders) override;
    std::uint32_t GetVersion() const override;
    int ConfigDialog(int mode) override;
    bool CheckArchive(const std::string& path) override;
    bool MatchesHead(const CArchiveHead& head) const override;
    bool Open(const std::string& path, int mode) override;
    bool OpenArchive(const std::string& path, int mode) override;
    bool OpenArchiveWithCrc(const std::string& path, const CArcCrcChoice& choice) override;
    void CloseArchive() override;
    bool FindFirst(std::string_view wildcard, SArcListEntry& entry) override;
    bool FindNext(SArcListEntry& entry) override;
    const std::string& LastError() const override;

    // Unloads the chosen variant and forgets the choice (at exit).
    void UnloadChosen();
    // The chosen variant, or null.
    CArchiver* Chosen() const { return m_pChosen; }

private:
    std::vector<std::unique_ptr<CArchiver>> m_variants;
    CArchiver* m_pChosen = nullptr;
};

} // namespace quillora
