#include <gtest/gtest.h>

#include "base/KeyedCollection.h"

namespace {
struct Item { int value = 0; };

long ErrorOf(const std::function<void()>& f) {
    try { f(); } catch (const RunTimeError& e) { return e.Number; }
    return 0;
}
}  // namespace

TEST(KeyedCollection, KeepsOrderAndFindsKeysWithoutRegardToCase) {
    KeyedCollection<Item> col;
    col.Add("First")->value = 1;
    col.Add(std::make_shared<Item>(Item{2}));  // keyless
    col.Add("third")->value = 3;
    col.Add(std::make_shared<Item>(Item{0}), "zero", 1);  // before the first

    ASSERT_EQ(col.Count(), 4);
    std::vector<int> order;
    for (const auto& item : col) order.push_back(item->value);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(col.Item("FIRST")->value, 1);
    EXPECT_EQ(col.Item("Third")->value, 3);
    EXPECT_EQ(col.Item(4)->value, 3);

    col.Remove("first");
    EXPECT_EQ(col.Item("THIRD")->value, 3);  // the index follows the removal
    EXPECT_EQ(col.Item(1)->value, 0);
    EXPECT_FALSE(col.Exists("first"));
    EXPECT_EQ(col.Find("first"), nullptr);
}

TEST(KeyedCollection, RaisesTheCollectionErrors) {
    KeyedCollection<Item> col;
    col.Add("a");
    EXPECT_EQ(ErrorOf([&] { col.Add("A"); }), 457);
    EXPECT_EQ(col.Count(), 1);
    EXPECT_EQ(ErrorOf([&] { col.Item("b"); }), 5);
    EXPECT_EQ(ErrorOf([&] { col.Remove("b"); }), 5);
    EXPECT_EQ(ErrorOf([&] { col.Item(2L); }), 9);
    EXPECT_EQ(ErrorOf([&] { col.Item(0L); }), 9);
}
