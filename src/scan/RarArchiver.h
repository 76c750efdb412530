// RAR adapter (RAR 1.5-4 and RAR5, self-extracting .exe too) over libarchive.
#pragma once

#include "scan/LibarchiveArchiver.h"

namespace quillora {

class CRarArchiver : public CLibarchiveArchiver {
public:
    CRarArchiver();

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    // Folders are not listed; the scanner makes them from the entries' paths.
    bool ListsFolders() const override { return false; }
    SEntryFacts FactsOf(archive* a, archive_entry* e, const std::string& path) const override;
};

} // namespace quillora
