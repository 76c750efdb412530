// The ZIP selector's choice and forwarding.
#include "scan/ZipArchiver.h"

#include "scan/ZipVariant.h"

namespace quillora {

namespace {

std::vector<std::unique_ptr<CArchiver>> DefaultVariants() {
    std::vector<std::unique_ptr<CArchiver>> variants;
    variants.push_back(std::make_unique<CZipVariant>());
    return variants;
}

} // namespace

CZipArchiver::CZipArchiver() : CZipArchiver(DefaultVariants()) {}

CZipArchiver::CZipArchiver(std::vector<std::unique_ptr<CArchiver>> variants)
    : CArchiver(kArcIdZipSelector, false, {}, {}), m_variants(std::move(variants)) {
    SetLastError("no ZIP reader loaded");
}

CZipArchiver::~CZipArchiver() = default;

bool CZipArchiver::Load(std::string_view name, std::string_view folder) {
    if (m_pChosen) {
        return m_pChosen->Load(name, folder);
    }
    for (auto& variant : m_variants) {
        bool loadedNow = variant->Load(name, folder);
        if (loadedNow || variant->IsLoaded()) {
            m_pChosen = variant.get();
            return loadedNow;
        }
    }
    return false;
}

void CZipArchiver::Unload() {
    if (!m_pChosen) {
        return;
    }
    m_pChosen->Unload();
    if (!m_pChosen->IsLoaded()) {
        m_pChosen = nullptr;
    }
}

void CZipArchiver::UnloadChosen() {
    if (m_pChosen) {
        m_pChosen->Unload();
        m_pChosen = nullptr;
    }
}

bool CZipArchiver::Reload() {
    return m_pChosen && m_pChosen->Reload();
}

bool CZipArchiver::IsLoaded() const {
    return m_pChosen && m_pChosen->IsLoaded();
}

bool CZipArchiver::SupportsMode(int mode) const {
    return m_pChosen && m_pChosen->SupportsMode(mode);
}

bool CZipArchiver::CanReadSelfExtracting() const {
    return m_pChosen && m_pChosen->CanReadSelfExtracting();
}

int CZipArchiver::GetId() const {
    return m_pChosen ? m_pChosen->GetId() : 0;
}

bool CZipArchiver::Extract(const std::string& archivePath, const std::string& destFolder,
                           const ArcEntryList& entries, bool withFolders) {
    return m_pChosen && m_pChosen->Extract(archivePath, destFolder, entries, withFolders);
}

std::uint32_t CZipArchiver::GetVersion() const {
    return m_pChosen ? m_pChosen->GetVersion() : 0;
}

int CZipArchiver::ConfigDialog(int mode) {
    return m_pChosen ? m_pChosen->ConfigDialog(mode) : 0;
}

bool CZipArchiver::CheckArchive(const std::string& path) {
    return m_pChosen && m_pChosen->CheckArchive(path);
}

bool CZipArchiver::MatchesHead(const CArchiveHead& head) const {
    return m_pChosen && m_pChosen->MatchesHead(head);
}

bool CZipArchiver::Open(const std::string& path, int mode) {
    return m_pChosen && m_pChosen->Open(path, mode);
}

bool CZipArchiver::OpenArchive(const std::string& path, int mode) {
    return m_pChosen && m_pChosen->OpenArchive(path, mode);
}

bool CZipArchiver::OpenArchiveWithCrc(const std::string& path, const CArcCrcChoice& choice) {
    return m_pChosen && m_pChosen->OpenArchiveWithCrc(path, choice);
}

void CZipArchiver::CloseArchive() {
    if (m_pChosen) {
        m_pChosen->CloseArchive();
    }
}

bool CZipArchiver::FindFirst(std::string_view wildcard, SArcListEntry& entry) {
    return m_pChosen && m_pChosen->FindFirst(wildcard, entry);
}

bool CZipArchiver::FindNext(SArcListEntry& entry) {
    return m_pChosen && m_pChosen->FindNext(entry);
}

const std::string& CZipArchiver::LastError() const {
    return m_pChosen ? m_pChosen->LastError() : CArchiver::LastError();
}

} // namespace quillora
