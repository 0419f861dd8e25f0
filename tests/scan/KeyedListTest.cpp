#include "scan/KeyedList.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScanResults.h"

namespace tolvane {
namespace {

using scan::test::errorNumberOf;

KeyedList<std::string> threeNames() {
    KeyedList<std::string> list;
    list.Add("alpha", "K1");
    list.Add("beta", "K7");
    list.Add("gamma", "K3");
    return list;
}

TEST(KeyedListReads, PositionsAreOneBasedInOrderOfAddition) {
    const KeyedList<std::string> list = threeNames();
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(1), "alpha");
    EXPECT_EQ(list.Item(2), "beta");
    EXPECT_EQ(list.Item(3), "gamma");
}

TEST(KeyedListReads, KeysFindTheirValuesWhateverTheirPosition) {
    const KeyedList<std::string> list = threeNames();
    EXPECT_EQ(list.Item("K7"), "beta");
    EXPECT_EQ(list.Item("K3"), "gamma");
    EXPECT_TRUE(list.Contains("K1"));
    EXPECT_FALSE(list.Contains("K2"));
    EXPECT_FALSE(list.Contains("k1"));  // keys match exactly
}

TEST(KeyedListReads, EnumerationFollowsOrderOfAddition) {
    const KeyedList<std::string> list = threeNames();
    const std::vector<std::string> seen(list.begin(), list.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(KeyedList<int>().begin(), KeyedList<int>().end());
}

TEST(KeyedListFailures, DuplicateKeyRaises457AndAddsNothing) {
    KeyedList<std::string> list = threeNames();
    EXPECT_EQ(errorNumberOf([&] { list.Add("delta", "K7"); }), errc::kDuplicateKey);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item("K7"), "beta");
    list.Add("delta", "K8");  // the failed add left the list usable
    EXPECT_EQ(list.Item(4), "delta");
}

TEST(KeyedListFailures, PositionOutsideTheListRaises9) {
    const KeyedList<std::string> list = threeNames();
    EXPECT_EQ(errorNumberOf([&] { list.Item(0); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { list.Item(4); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([&] { list.Item(-1); }), errc::kSubscriptOutOfRange);
    EXPECT_EQ(errorNumberOf([] { KeyedList<int>().Item(1); }), errc::kSubscriptOutOfRange);
}

TEST(KeyedListFailures, UnknownKeyRaises5) {
    const KeyedList<std::string> list = threeNames();
    EXPECT_EQ(errorNumberOf([&] { list.Item("K2"); }), 5);
}

TEST(KeyedListScale, ManyValuesKeepOrderAndKeys) {
    KeyedList<int> list;
    constexpr int kValues = 200000;
    for (int k = 1; k <= kValues; ++k) {
        list.Add(k * 3, "K" + std::to_string(k));
    }
    ASSERT_EQ(list.Count(), kValues);
    EXPECT_EQ(list.Item(kValues), kValues * 3);
    EXPECT_EQ(list.Item("K123456"), 123456 * 3);
    int expected = 3;
    for (int value : list) {
        ASSERT_EQ(value, expected);
        expected += 3;
    }
    // Every key still finds its own value after the index grew many times, and still refuses
    // a second value.
    for (int k = 1; k <= kValues; ++k) {
        ASSERT_EQ(list.Item("K" + std::to_string(k)), k * 3) << k;
    }
    EXPECT_FALSE(list.Contains("K0"));
    EXPECT_FALSE(list.Contains("K" + std::to_string(kValues + 1)));
    EXPECT_EQ(errorNumberOf([&] { list.Add(0, "K199999"); }), errc::kDuplicateKey);
    EXPECT_EQ(list.Count(), kValues);
}

TEST(KeyedListScale, ValuesTakenLeaveAnEmptyListThatFillsAgain) {
    KeyedList<std::string> list;
    list.Reserve(1000);
    for (int k = 1; k <= 1000; ++k) {
        list.Add("/mail/" + std::to_string(k) + ".eml", "K" + std::to_string(k));
    }
    list.Reserve(10);  // less than held: changes nothing
    const std::vector<std::string> taken = list.TakeValues();
    ASSERT_EQ(taken.size(), 1000u);
    EXPECT_EQ(taken.front(), "/mail/1.eml");
    EXPECT_EQ(taken.back(), "/mail/1000.eml");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Contains("K1"));
    list.Add("again", "K1");  // the keys went with the values
    EXPECT_EQ(list.Item("K1"), "again");
}

// Keys "K<position>" are not stored but follow from the position; every other key is stored.
// Both kinds must find their values and refuse each other's duplicates.
TEST(KeyedListPositionalKeys, PositionalAndStoredKeysRefuseEachOther) {
    KeyedList<std::string> list;
    list.Add("one", "K1");     // positional
    list.Add("two", "K3");     // stored: names a later position
    list.Add("three", "K01");  // stored: not the way a position is written
    EXPECT_EQ(list.Item("K1"), "one");
    EXPECT_EQ(list.Item("K3"), "two");
    EXPECT_EQ(list.Item("K01"), "three");
    EXPECT_FALSE(list.Contains("K2"));  // position 2 has a stored key
    // Position 4 under "K3": already stored for position 2.
    EXPECT_EQ(errorNumberOf([&] { list.Add("four", "K3"); }), errc::kDuplicateKey);
    EXPECT_EQ(errorNumberOf([&] { list.Add("four", "K1"); }), errc::kDuplicateKey);
    list.Add("four", "K4");
    EXPECT_EQ(list.Item("K4"), "four");
    EXPECT_FALSE(list.Contains("K5"));
    EXPECT_FALSE(list.Contains("K"));
    EXPECT_FALSE(list.Contains("K0"));
}

TEST(KeyedListPositionalKeys, SortingKeepsKeysWithPositionsAndDroppingFreesThem) {
    KeyedList<std::string> list;
    list.Add("first", "K0");  // stored, before the part that is reordered
    list.Add("pear", "K2");
    list.Add("apple", "K3");
    list.Add("fig", "K4");
    list.SortFrom(2, std::less<>());
    EXPECT_EQ(scan::test::itemsOf(list),
              (std::vector<std::string>{"first", "apple", "fig", "pear"}));
    EXPECT_EQ(list.Item("K2"), "apple");
    EXPECT_EQ(list.Item("K4"), "pear");
    EXPECT_EQ(list.Item("K0"), "first");

    list.RemoveFrom(3);
    EXPECT_EQ(scan::test::itemsOf(list), (std::vector<std::string>{"first", "apple"}));
    EXPECT_FALSE(list.Contains("K3"));
    list.Add("plum", "K3");  // the dropped position's key is free again
    EXPECT_EQ(list.Item("K3"), "plum");

    // A stored key cannot be reordered or dropped: it would name another value afterwards.
    EXPECT_THROW(list.SortFrom(1, std::less<>()), std::logic_error);
    EXPECT_THROW(list.RemoveFrom(1), std::logic_error);
    EXPECT_EQ(list.Count(), 3);
}

}  // namespace
}  // namespace tolvane
