// The ZIP reader the ZIP selector can choose on this system: libarchive, which also
// reads self-extracting .exe files with a ZIP appended.
#pragma once

#include "scan/LibarchiveArchiver.h"

#include <unordered_map>

namespace quillora {

class CZipVariant : public CLibarchiveArchiver {
public:
    CZipVariant();

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    // Folder entries are left out of the listing; the scanner makes folders from paths.
    bool ListsFolders() const override { return false; }
    bool ListArchive(const std::string& path, std::vector<SArcListEntry>& out) override;
    SEntryFacts FactsOf(archive* a, archive_entry* e, const std::string& path) const override;

private:
    // Compressed sizes of the archive being listed, read once per listing.
    std::unordered_map<std::string, std::uint64_t> m_packed;
};

} // namespace quillora
