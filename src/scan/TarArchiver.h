// TAR adapter: .tar, and through libarchive's filters .tgz, .tar.gz, .taz, .Z and a
// bare .gz file (listed as its one member).
#pragma once

#include "scan/LibarchiveArchiver.h"

namespace quillora {

class CTarArchiver : public CLibarchiveArchiver {
public:
    CTarArchiver();

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    SEntryFacts FactsOf(archive* a, archive_entry* e, const std::string& path) const override;
};

} // namespace quillora
