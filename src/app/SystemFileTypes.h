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

    bool Resolve(std::string_view extension, const std::string& osPath,
                 SDisplayType& type) override;
};

} // namespace quillora
