// SIndexSettings: the user's settings of the index of every case, kept in the settings
// store's "Index" section: whether cases the program or the command line opens and
// saves are indexed, and where the index lives.
#pragma once

#include <string>

namespace quillora {

class CProfileStore;

struct SIndexSettings {
    bool m_bIndexOpenedAndSaved = true;
    std::string m_strFolder; // empty: DefaultIndexFolder()

    static SIndexSettings Load(const CProfileStore& store);
    void Save(CProfileStore& store) const;
    // m_strFolder, or the default folder.
    std::string Folder() const;
};

} // namespace quillora
