#include "scan/KeyedList.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tolvane
