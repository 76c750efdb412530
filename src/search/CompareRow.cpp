// Texts and guidance of comparison results.
#include "search/CompareRow.h"

#include "core/Resources.h"

namespace quillora {

const char* CompareResultText(int result) {
    return Res(result);
}

bool IsDifference(const SCompareRow& row) {
    return row.m_nResult != kResultEqual;
}

int CompareGuidance(int mode, const CompareRows& rows, bool cancelled) {
    if (cancelled) {
        return 289;
    }
    if (rows.empty()) {
        return 227;
    }
    if (mode == kCompareCaseLink) {
        return 230;
    }
    return mode == kCompareMediaImport ? 520 : 228;
}

int CompareTitle(int mode) {
    if (mode == kCompareCaseLink) {
        return 226;
    }
    return mode == kCompareMediaImport ? 518 : 225;
}

int CompareHint(int mode) {
    return mode == kCompareCaseLink ? 224 : 223;
}

} // namespace quillora
