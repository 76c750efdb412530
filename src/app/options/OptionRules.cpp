// Options sheet rules.
#include "app/options/OptionRules.h"

#include "core/ConfigData.h"

#include <cstdio>

namespace quillora {

int ViewChangeMask(const SConfigFields& before, const SConfigFields& after) {
    int mask = 0;
    if (before.m_nFileDispMode != after.m_nFileDispMode) {
        mask |= kViewChangeFileDisp;
    }
    if (before.m_nLineSelect != after.m_nLineSelect) {
        mask |= kViewChangeLineSelect;
    }
    if (before.m_nShowSelAlways != after.m_nShowSelAlways) {
        mask |= kViewChangeShowSelAlways;
    }
    if (before.m_nGroupArcView != after.m_nGroupArcView) {
        mask |= kViewChangeGroupArc;
    }
    if (before.m_nSizeUnitMode != after.m_nSizeUnitMode) {
        mask |= kViewChangeSizeUnit;
    }
    if (before.m_nFolderAddCategory != after.m_nFolderAddCategory ||
        before.m_nFolderAddComment != after.m_nFolderAddComment) {
        mask |= kViewChangeFolderText;
    }
    if (before.m_nFolderMediaSort != after.m_nFolderMediaSort) {
        mask |= kViewChangeMediaSort;
    }
    return mask;
}

int DriveUseFromChecks(const std::vector<bool>& checked) {
    std::uint32_t bits = 0xFFFFFF;
    for (std::size_t i = 0; i < checked.size() && i < 32; ++i) {
        if (!checked[i]) {
            bits &= ~(1u << i);
        }
    }
    return static_cast<int>(bits);
}

bool DriveLineChecked(int driveUse, int line) {
    return line >= 0 && line < 32 && ((static_cast<std::uint32_t>(driveUse) >> line) & 1u) != 0;
}

std::string ArchiverVersionText(bool loaded, std::uint32_t version) {
    if (!loaded) {
        return "(未ﾛｰﾄﾞ)";
    }
    if (version == 0) {
        return "(未定義)";
    }
    char text[32];
    std::snprintf(text, sizeof text, "(%u.%u.%u.%u)", version >> 24, (version >> 16) & 0xFF,
                  (version >> 8) & 0xFF, version & 0xFF);
    return text;
}

bool SelfExtractUsable(const std::vector<SArchiverState>& kinds, bool all,
                       const std::vector<bool>& checked) {
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        if (!kinds[i].m_selfExtracting) {
            continue;
        }
        if (all ? kinds[i].m_loaded : (i < checked.size() && checked[i])) {
            return true;
        }
    }
    return false;
}

} // namespace quillora
