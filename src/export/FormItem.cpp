// The item table of the list formats and the storage of item lists.
#include "export/FormItem.h"

#include "core/ProfileStore.h"
#include "core/Text.h"

#include <iterator>
#include <string>

namespace quillora {

namespace {

struct SItemTexts {
    const char* list;
    const char* title;
};

// Indexed by type - 1.
constexpr SItemTexts kItemTexts[] = {
    {"ﾗﾍﾞﾙ名", "ﾗﾍﾞﾙ名"},
    {"ﾌｫﾙﾀﾞ名", "ﾌｫﾙﾀﾞ名"},
    {"名前(ﾗﾍﾞﾙ+ﾌｫﾙﾀﾞ+ﾌｧｲﾙ)", "名前"},
    {"名前(ﾌｫﾙﾀﾞ+ﾌｧｲﾙ)", "名前"},
    {"名前(ﾌｧｲﾙ)", "名前"},
    {"拡張子", "拡張子"},
    {"ｻｲｽﾞ", "ｻｲｽﾞ"},
    {"更新日付", "更新日付"},
    {"作成日付", "作成日付"},
    {"最終ｱｸｾｽ日付", "最終ｱｸｾｽ日付"},
    {"ｺﾒﾝﾄ", "ｺﾒﾝﾄ"},
    {"親ﾌｫﾙﾀﾞ名", "親ﾌｫﾙﾀﾞ名"},
    {"分類", "分類"},
    {"ﾀｲﾄﾙ(P)", "ﾀｲﾄﾙ(P)"},
    {"ｻﾌﾞｼﾞｪｸﾄ(P)", "ｻﾌﾞｼﾞｪｸﾄ(P)"},
    {"分類(P)", "分類(P)"},
    {"ｷｰﾜｰﾄﾞ(P)", "ｷｰﾜｰﾄﾞ(P)"},
    {"ｺﾒﾝﾄ(P)", "ｺﾒﾝﾄ(P)"},
    {"作者(P)", "作者(P)"},
    {"ｱﾌﾟﾘｹｰｼｮﾝ名(P)", "ｱﾌﾟﾘｹｰｼｮﾝ名(P)"},
    {"会社(P)", "会社(P)"},
    {"管理者(P)", "管理者(P)"},
    {"作成日(P)", "作成日(P)"},
    {"最終保存日(P)", "最終保存日(P)"},
    {"名前(相対ﾊﾟｽ)", "名前"},
    {"CRC", "CRC"},
};
static_assert(std::size(kItemTexts) == kLastItemType);

std::string Key(std::string_view prefix, const char* what, int index) {
    std::string key(prefix);
    key += '_';
    key += what;
    if (index > 0) {
        key += '_';
        key += std::to_string(index);
    }
    return key;
}

bool ListHas(const FormItemList& items, std::string_view name) {
    for (const FormItem& item : items) {
        if (text::EqualsNoCase(item.Name, name)) {
            return true;
        }
    }
    return false;
}

} // namespace

const char* FormItemListText(int type) {
    return type >= kFirstItemType && type <= kLastItemType ? kItemTexts[type - 1].list : nullptr;
}

const char* FormItemTitleText(int type) {
    return type >= kFirstItemType && type <= kLastItemType ? kItemTexts[type - 1].title : nullptr;
}

FormItem MakeFormItem(int type) {
    const char* name = FormItemListText(type);
    return FormItem{name ? name : "", type, 1};
}

FormItemList MakeFormItems(std::initializer_list<int> types) {
    FormItemList items;
    items.reserve(types.size());
    for (int type : types) {
        items.push_back(MakeFormItem(type));
    }
    return items;
}

FormItemList LoadFormItems(const CProfileStore& store, std::string_view section,
                           std::string_view prefix) {
    FormItemList items;
    const int count = store.GetInt(section, Key(prefix, "Count", 0), 0);
    for (int i = 1; i <= count; ++i) {
        FormItem item;
        item.Name = store.GetString(section, Key(prefix, "Name", i));
        item.Data = store.GetInt(section, Key(prefix, "Data", i), 0);
        item.Removable = store.GetInt(section, Key(prefix, "Removable", i), 1);
        if (!item.Name.empty()) {
            items.push_back(std::move(item));
        }
    }
    return items;
}

void SaveFormItems(CProfileStore& store, std::string_view section, std::string_view prefix,
                   const FormItemList& items) {
    store.SetInt(section, Key(prefix, "Count", 0), static_cast<int>(items.size()));
    int i = 1;
    for (const FormItem& item : items) {
        store.SetString(section, Key(prefix, "Name", i), item.Name);
        store.SetInt(section, Key(prefix, "Data", i), item.Data);
        store.SetInt(section, Key(prefix, "Removable", i), item.Removable);
        ++i;
    }
}

void MergeOfferedItems(FormItemList& invisible, const FormItemList& visible,
                       std::span<const int> offeredTypes) {
    for (int type : offeredTypes) {
        FormItem item = MakeFormItem(type);
        if (item.Name.empty() || ListHas(visible, item.Name) || ListHas(invisible, item.Name)) {
            continue;
        }
        invisible.push_back(std::move(item));
    }
}

std::vector<int> ItemTypes(const FormItemList& items) {
    std::vector<int> types;
    types.reserve(items.size());
    for (const FormItem& item : items) {
        types.push_back(item.Data);
    }
    return types;
}

} // namespace quillora
