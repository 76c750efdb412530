// File type names and icons of plain files from the desktop's MIME database and icon
// theme: the run-time entries of the display-type table.
#pragma once

#include "model/CDisplayTypeTable.h"

namespace quillora {

// Used on the GUI thread only (the icon theme is not thread-safe).
class CSystemFileTypes : public IFileTypeResolver {
public:
    // Installs a resolver as the table's for the life of the process.
    static void Install();

    // The type of `extension` by the MIME database's patterns, its comment in
    // Japanese where the database has one (the program speaks Japanese whatever the
    // session's language), else in English.
    bool Resolve(std::string_view extension, SDisplayType& type) override;
};

} // namespace quillora
