// Items of the list formats: the columns an export, the import or a printed list can
// carry, with the texts the item lists and title rows show, and their storage.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillora {

class CProfileStore;

// The item types (FormItem::Data).
enum FormItemType : int {
    kItemLabel = 1,          // label of the enclosing medium
    kItemFolder = 2,         // folder part of the full path
    kItemNameLabelPath = 3,  // (label) + folder + name
    kItemNameFolderPath = 4, // folder + name
    kItemName = 5,           // name only
    kItemExtension = 6,
    kItemSize = 7,
    kItemUpdateTime = 8,
    kItemCreationTime = 9,
    kItemAccessTime = 10,
    kItemComment = 11,
    kItemParentName = 12,
    kItemCategory = 13,
    kItemProperty1 = 14, // 14..24: extracted properties 1..11
    kItemProperty11 = 24,
    kItemRelativeName = 25,
    kItemCrc = 26,
};

inline constexpr int kFirstItemType = 1;
inline constexpr int kLastItemType = 26;

// The property key an item of type 14..24 stands for (1..11); 0 for other types.
inline int ItemPropertyKey(int type) {
    return type >= kItemProperty1 && type <= kItemProperty11 ? type - kItemProperty1 + 1 : 0;
}

// One item (column) of a format. Items are told apart by Name when lists are merged.
struct FormItem {
    std::string Name;  // the list text of the type
    int Data = 0;      // the type, 1..26
    int Removable = 1; // stored with the item; 1 for every item the program makes
};

using FormItemList = std::vector<FormItem>;

// The texts of a type: what the item lists show ("名前(ﾌｧｲﾙ)") and what a title row
// writes ("名前"). Null outside 1..26.
const char* FormItemListText(int type);
const char* FormItemTitleText(int type);

// The item of a type, named by its list text; an empty name outside 1..26.
FormItem MakeFormItem(int type);
FormItemList MakeFormItems(std::initializer_list<int> types);

// Reads a list stored as "<prefix>_Count" and "<prefix>_Name_<i>", "<prefix>_Data_<i>",
// "<prefix>_Removable_<i>" (i from 1) in `section`. An item with an empty name is
// dropped; a missing or negative count reads as an empty list.
FormItemList LoadFormItems(const CProfileStore& store, std::string_view section,
                           std::string_view prefix);
void SaveFormItems(CProfileStore& store, std::string_view section, std::string_view prefix,
                   const FormItemList& items);

// Appends to `invisible` the item of each offered type whose list text stands in neither
// list (compared without regard to case), so that items a later version added show in the
// offered list of a preset saved before them.
void MergeOfferedItems(FormItemList& invisible, const FormItemList& visible,
                       std::span<const int> offeredTypes);

// The types of a list, in order.
std::vector<int> ItemTypes(const FormItemList& items);

} // namespace quillora
