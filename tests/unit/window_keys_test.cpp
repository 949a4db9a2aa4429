// Keys and order of the conversation-window collection.
#include <gtest/gtest.h>

#include "names/window_keys.h"

namespace sonarel {
namespace {

TEST(WindowKey, DecimalSignedHandle) {
    EXPECT_EQ(windowKey(596), L"HWND596");
    EXPECT_EQ(windowKey(0), L"HWND0");
    EXPECT_EQ(windowKey(-2147483647 - 1), L"HWND-2147483648");
    EXPECT_EQ(windowKey(static_cast<std::int32_t>(0xFFFFFFFEu)), L"HWND-2");
}

TEST(KeyedCollection, KeepsInsertionOrderAndClosesGaps) {
    KeyedCollection<int> windows;
    EXPECT_TRUE(windows.add(L"HWND1", 1));
    EXPECT_TRUE(windows.add(L"HWND2", 2));
    EXPECT_TRUE(windows.add(L"HWND3", 3));
    EXPECT_EQ(windows.values(), (std::vector<int>{1, 2, 3}));

    windows.remove(L"HWND1");
    EXPECT_EQ(windows.count(), 2u);
    ASSERT_NE(windows.at(1), nullptr);
    EXPECT_EQ(*windows.at(1), 2);
    EXPECT_EQ(windows.values(), (std::vector<int>{2, 3}));
}

TEST(KeyedCollection, DuplicateKeyKeepsTheEarlierEntry) {
    KeyedCollection<int> windows;
    windows.add(L"HWND5", 1);
    EXPECT_FALSE(windows.add(L"HWND5", 2));
    EXPECT_EQ(windows.count(), 1u);
    EXPECT_EQ(*windows.at(L"HWND5"), 1);
}

TEST(KeyedCollection, MissingKeysAndPositions) {
    KeyedCollection<int> windows;
    windows.remove(L"HWND9");  // nothing to remove, nothing raised
    EXPECT_EQ(windows.count(), 0u);
    windows.add(L"HWND1", 1);
    EXPECT_EQ(windows.at(0), nullptr);
    EXPECT_EQ(windows.at(2), nullptr);
    EXPECT_EQ(windows.at(L"HWND2"), nullptr);
}

}  // namespace
}  // namespace sonarel
