// Loading and unloading every adapter, and finding one by extension.
#include "scan/ArchiverSet.h"

#include "core/TraceLog.h"

#include <cctype>

namespace quillora {

void CArchiverSet::LoadAll() {
    Log("Load archiver");
    m_lha.Load();
    m_cab.Load();
    m_tar.Load();
    m_zip.Load();
    m_rar.Load();
    m_arj.Load();
    m_ish.Load();
    m_gca.Load();
}

void CArchiverSet::UnloadAll() {
    Log("CTobUtil::UnloadArc()");
    m_lha.Unload();
    m_cab.Unload();
    m_tar.Unload();
    m_zip.UnloadChosen();
    m_rar.Unload();
    m_arj.Unload();
    m_ish.Unload();
    m_gca.Unload();
}

CArchiver* CArchiverSet::ForExtension(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') {
        extension.remove_prefix(1);
    }
    std::string upper(extension);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (upper == "ZIP") {
        return &m_zip;
    }
    CArchiver* adapters[] = {&m_lha, &m_tar, &m_cab, &m_arj, &m_rar, &m_ish, &m_gca};
    for (CArchiver* adapter : adapters) {
        for (const std::string& known : adapter->Extensions()) {
            if (known == upper) {
                return adapter;
            }
        }
    }
    return nullptr;
}

} // namespace quillora
