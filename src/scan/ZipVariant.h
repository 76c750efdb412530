// The ZIP reader the ZIP selector can choose on this system: libarchive, which also
// reads self-extracting .exe files with a ZIP appended.
#pragma once

#include "scan/LibarchiveArchiver.h"
#include "scan/ZipDirectory.h"

#include <unordered_map>

namespace quillora {

class CZipVariant : public CLibarchiveArchiver {
public:
    CZipVariant();

    bool MatchesHead(const CArchiveHead& head) const override;

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    // Folder entries are left out of the listing; the scanner makes folders from paths.
    bool ListsFolders() const override { return false; }
    void ReadSideFacts(int fd) override;
    SEntryFacts FactsOf(archive* a, archive_entry* e, int fd) override;

private:
    // The central directory of the archive being listed, read once per listing.
    std::unordered_map<std::string, SZipMemberFacts> m_members;
};

} // namespace quillora
