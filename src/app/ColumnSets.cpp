// The "Normal", "Archive" and "Case" column sets.
#include "app/ColumnSets.h"

namespace quillora {

namespace {

std::vector<int> Range(std::vector<int> head, int from, int to) {
    for (int id = from; id <= to; ++id) {
        head.push_back(id);
    }
    return head;
}

} // namespace

CColumnSets::CColumnSets()
    : m_sets{CColumnSet("Normal", "一般ﾌｧｲﾙ・ﾌｫﾙﾀﾞ", {0, 2, 1, 4, 20, 7},
                        Range({3, 5, 6, 14}, 21, 35)),
             CColumnSet("Archive", "圧縮ﾌｧｲﾙ", {0, 2, 1, 8, 9, 20, 7},
                        Range({4, 3, 5, 6, 14}, 21, 35)),
             CColumnSet("Case", "ｹｰｽ・ｸﾞﾙｰﾌﾟ", {0, 10, 12, 11, 20, 7}, {13, 19, 33, 34, 35})} {}

void CColumnSets::SetDefaultWidths(const CColumnSet::WidthFunction& width) {
    for (CColumnSet& set : m_sets) {
        set.SetDefaultWidths(width);
    }
}

void CColumnSets::Load(const CProfileStore& store) {
    for (CColumnSet& set : m_sets) {
        set.Load(store);
    }
}

void CColumnSets::Save(CProfileStore& store) const {
    for (const CColumnSet& set : m_sets) {
        set.Save(store);
    }
}

void CColumnSets::ResetAscending() {
    for (CColumnSet& set : m_sets) {
        for (SColumnEntry& e : set.Shown()) {
            e.m_bAscending = 1;
        }
        for (SColumnEntry& e : set.Offered()) {
            e.m_bAscending = 1;
        }
    }
}

} // namespace quillora
