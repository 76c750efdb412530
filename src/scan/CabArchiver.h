// CAB adapter (Microsoft cabinet files) over libarchive.
#pragma once

#include "scan/LibarchiveArchiver.h"

namespace quillora {

class CCabArchiver : public CLibarchiveArchiver {
public:
    CCabArchiver();

protected:
    void EnableFormats(archive* a) const override;
    bool AcceptsFormat(archive* a) const override;
    SEntryFacts FactsOf(archive* a, archive_entry* e, const std::string& path) const override;
};

} // namespace quillora
