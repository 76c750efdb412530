// The string table: resource numbers and their exact texts.
#include "core/Resources.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <iterator>
#include <vector>

namespace quillora {

namespace {

struct ResEntry {
    int id;
    const char* text;
};

// Sorted by id.
constexpr ResEntry kStrings[] = {
    {130, "新しいｹｰｽ"},
    {140, "（不明）"},
    {163, "%s Byte"},
    {164, "%s KB"},
    {165, "%s MB"},
    {166, "%s GB"},
    {521, "%s ﾌｧｲﾙの読み込みに失敗しました。\nﾌｧｲﾙが壊れているかCAZ形式の場合、UNLHA32.DLL がｲﾝｽﾄｰﾙされていない可能性があります。"},
    {61446, "無題のﾌｧｲﾙ"},
};

const ResEntry* Find(int id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const ResEntry& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id) {
        return nullptr;
    }
    return &*it;
}

} // namespace

const char* Res(int id) {
    const ResEntry* e = Find(id);
    return e ? e->text : "";
}

bool HasRes(int id) { return Find(id) != nullptr; }

std::string ResFormat(int id, ...) {
    const char* format = Res(id);
    va_list args;
    va_start(args, id);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

} // namespace quillora
