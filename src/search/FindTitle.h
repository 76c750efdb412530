// The titles of the find and case-search dialogs: the text conditions in words.
#pragma once

#include <string>

namespace quillora {

struct SFindSettings;

// "検索 条件 = " (find) or "ｹｰｽ検索 条件" (case search), then what category and comment
// must contain, then "、" and the name pattern, or "すべてのﾌｧｲﾙ" with no text
// condition. Marks, sizes and dates are not part of it.
std::string FindTitle(const SFindSettings& settings, bool caseSearch);

} // namespace quillora
