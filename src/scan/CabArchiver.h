// CAB adapter (Microsoft cabinet files) over libarchive.
#pragma once

#include "scan/CabDirectory.h"
#include "scan/LibarchiveArchiver.h"

namespace quillora {

class CCabArchiver : public CLibarchiveArchiver {
public:
    CCabArchiver();

    bool MatchesHead(const CArchiveHead& head) const override;

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    void ReadSideFacts(int fd) override;
    SEntryFacts FactsOf(archive* a, archive_entry* e, int fd) override;

private:
    // The cabinet's file table, in the order libarchive lists the files.
    std::vector<SCabFileFacts> m_files;
    std::size_t m_nNext = 0;
};

} // namespace quillora
