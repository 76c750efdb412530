// Building the dialogs' titles from the string table.
#include "search/FindTitle.h"

#include "core/FindSettings.h"
#include "core/Resources.h"

namespace quillora {

std::string FindTitle(const SFindSettings& s, bool caseSearch) {
    std::string title = Res(caseSearch ? 395 : 389);
    const bool name = !s.m_strName.empty();
    const bool category = !s.m_strCategory.empty();
    const bool comment = !s.m_strComment.empty();
    if (!name && !category && !comment) {
        return title + Res(393);
    }
    if (category && comment) {
        title += ResFormat(394, s.m_strCategory.c_str(), s.m_strComment.c_str());
    } else if (category || comment) {
        title += ResFormat(391, (category ? s.m_strCategory : s.m_strComment).c_str());
    }
    if (name) {
        if (category || comment) {
            title += Res(392);
        }
        title += ResFormat(390, s.m_strName.c_str());
    }
    return title;
}

} // namespace quillora
