// Where the program's plug-ins are: $QUILLORA_PLUGIN_DIR when set; the installed
// folder (<libdir>/quillora/plugins beside the program's bin folder); or, for a
// program run from its build tree, the build's plug-in folder.
#pragma once

#include <string>

namespace quillora {

class CPluginFolder {
public:
    // The folder, without a trailing "/"; empty when none exists.
    static std::string Find();
    // The same for a program at `exePath`.
    static std::string FindFor(const std::string& exePath);
};

} // namespace quillora
