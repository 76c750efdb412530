// SIndexSettings: the user's settings of the index of every case, kept in the settings
// store's "Index" section: whether cases the program or the command line opens and
// saves are indexed, and where the index lives: a folder, or a shared server.
#pragma once

#include <string>

namespace quillora {

class CProfileStore;

struct SIndexSettings {
    bool m_bIndexOpenedAndSaved = true;
    std::string m_strFolder; // empty: DefaultIndexFolder()
    // A postgresql:// URL or libpq's keywords; empty: the embedded index. Saved without
    // a password (libpq finds it in ~/.pgpass or PGPASSWORD).
    std::string m_strServer;

    static SIndexSettings Load(const CProfileStore& store);
    void Save(CProfileStore& store) const;
    // m_strFolder, or the default folder.
    std::string Folder() const;
    // Where the index is: the server when one is set, else Folder() (OpenIndexAt takes
    // either).
    std::string Location() const;
};

} // namespace quillora
