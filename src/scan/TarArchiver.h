// TAR adapter: .tar, and through libarchive's filters .tgz, .tar.gz, .taz, .Z and a
// bare .gz file (listed as its one member).
#pragma once

#include "scan/LibarchiveArchiver.h"

namespace quillora {

class CTarArchiver : public CLibarchiveArchiver {
public:
    CTarArchiver();

    bool MatchesHead(const CArchiveHead& head) const override;

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    // Members of a tar are stored whole; a bare .gz or .Z file's one member takes the
    // file's size less the compression format's header (and the gzip trailer).
    SEntryFacts FactsOf(archive* a, archive_entry* e, int fd) override;
};

} // namespace quillora
