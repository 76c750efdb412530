// Recent-items lists: the add rule and storage in numbered values.
#include "core/RecentList.h"

#include "core/ProfileStore.h"

#include <gtest/gtest.h>

using namespace quillora;

namespace {
std::vector<std::string> List(std::initializer_list<const char*> items) {
    return {items.begin(), items.end()};
}
} // namespace

TEST(RecentList, AddRule) {
    CRecentList list("FindName", "Name", 3);
    list.Add("");
    EXPECT_EQ(list.Entries(), List({"", "", ""}));
    list.Add("c");
    list.Add("b");
    list.Add("a");
    EXPECT_EQ(list.Entries(), List({"a", "b", "c"}));
    // An equal entry (any case) moves to the front with the new spelling.
    list.Add("B");
    EXPECT_EQ(list.Entries(), List({"B", "a", "c"}));
    // The last slot is not searched: the last entry falls out instead.
    list.Add("C");
    EXPECT_EQ(list.Entries(), List({"C", "B", "a"}));
    list.Add("C");
    EXPECT_EQ(list.Entries(), List({"C", "B", "a"}));
    list.Add("new");
    EXPECT_EQ(list.Entries(), List({"new", "C", "B"}));
}

TEST(RecentList, StoredInNumberedValuesWithoutGaps) {
    CProfileStore store;
    store.SetString("AddVolFolder", "Folder3", "stale");
    store.SetString("AddVolFolder", "Folder9", "stale");
    CRecentList list("AddVolFolder", "Folder", 10);
    list.Load(store);
    EXPECT_EQ(list.Entries()[2], "stale");
    list.Clear();
    list.Add("/media/one");
    list.Add("/media/二");
    list.Save(store);
    EXPECT_EQ(store.ValueNames("AddVolFolder"), List({"Folder1", "Folder2"}));
    EXPECT_EQ(store.GetString("AddVolFolder", "Folder1"), "/media/二");

    CRecentList back("AddVolFolder", "Folder", 10);
    back.Load(store);
    EXPECT_EQ(back.Entries(), list.Entries());
    EXPECT_EQ(back.Count(), 10);
}
