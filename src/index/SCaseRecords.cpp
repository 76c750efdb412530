// Catalogue paths of the records the index keeps.
#include "index/SCaseRecords.h"

namespace quillora {

std::string SCaseRecords::CatalogPathOf(std::size_t index) const {
    std::vector<std::size_t> chain;
    for (std::size_t i = index; i < m_records.size(); i = m_records[i].m_nParent) {
        chain.push_back(i);
        if (chain.size() > m_records.size()) {
            break; // a damaged parent chain must not loop
        }
    }
    std::string path;
    for (std::size_t k = chain.size(); k-- > 0;) {
        path += m_records[chain[k]].m_strName;
        if (k > 0) {
            path += '\\';
        }
    }
    return path;
}

} // namespace quillora
