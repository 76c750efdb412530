// Opening the index at a location the user's settings or options name: the shared one
// on a server, or the embedded one in a folder.
#pragma once

#include "index/CCaseIndex.h"
#include "index/SIndexSettings.h"

#include <memory>
#include <string>

namespace quillora {

// The shared index on `conninfo` (empty: libpq's defaults), reported by its address
// without the password. Throws CIndexError as CPgIndexStore does.
std::unique_ptr<CCaseIndex> OpenServerIndex(const std::string& conninfo);

// The server's index when `location` is a server's address (IsServerAddress), else the
// embedded one in that folder. Throws CIndexError as the index's constructors do.
std::unique_ptr<CCaseIndex> OpenIndexAt(const std::string& location);

// OpenIndexAt(settings.Location()).
std::unique_ptr<CCaseIndex> OpenCaseIndex(const SIndexSettings& settings);

} // namespace quillora
