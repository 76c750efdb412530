// RAR adapter (RAR 1.5-4 and RAR5, self-extracting .exe too) over libarchive.
#pragma once

#include "scan/LibarchiveArchiver.h"
#include "scan/RarHeaders.h"

namespace quillora {

class CRarArchiver : public CLibarchiveArchiver {
public:
    CRarArchiver();

    bool MatchesHead(const CArchiveHead& head) const override;

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    // Folders are not listed; the scanner makes them from the entries' paths.
    bool ListsFolders() const override { return false; }
    void ReadSideFacts(int fd) override;
    SEntryFacts FactsOf(archive* a, archive_entry* e, int fd) override;

private:
    // The archive's file headers, in the order libarchive lists the entries.
    std::vector<SRarFileFacts> m_files;
    std::size_t m_nNext = 0;
};

} // namespace quillora
