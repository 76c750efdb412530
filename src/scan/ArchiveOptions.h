// The options of the archive expansion: which families are listed and extracted, and
// where entries are extracted for a while.
#pragma once

#include <string>

namespace quillora {

struct SArchiveOptions {
    // "OptionExtract": "All" allows every family, else each family's own key.
    bool m_all = true;
    bool m_lha = true;
    bool m_zip = true;
    bool m_cab = true;
    bool m_tar = true;
    bool m_arj = true;
    bool m_rar = true;
    bool m_ish = true;
    bool m_gca = true;
    // Self-extracting programs are listed only with both keys, whatever "All" says.
    bool m_exe = true;
    bool m_enableExe = true;
    // "MeltFolder": entries are extracted below it; empty means the temporary folder.
    std::string m_workFolder;
};

} // namespace quillora
