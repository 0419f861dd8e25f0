#include "convert/PathList.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <set>

#include "convert/CodeUnitOrder.h"
#include "platform/AppError.h"
#include "platform/ErrorNumber.h"

namespace tolvane::convert {
namespace {

long sortErrorNumber(PathList list, std::int64_t first, std::int64_t last) {
    return testing::errorNumberOf([&] { SortPathList(list, first, last); });
}

PathList randomPaths(std::mt19937& random, std::size_t count, int distinct) {
    static const char* const parts[] = {"Inbox",      "inbox",  "A",  "a",
                                        "Sent",       "x.eml",  "x",  "\u00e9t\u00e9",
                                        "\U0001F600", "\uFF21", "!1", ""};
    std::uniform_int_distribution<int> pick(0, std::size(parts) - 1);
    std::uniform_int_distribution<int> depth(0, 3);
    std::uniform_int_distribution<int> which(0, distinct - 1);
    PathList pool;
    for (int d = 0; d < distinct; ++d) {
        std::string path = parts[pick(random)];
        for (int k = depth(random); k > 0; --k) {
            path += "\\";
            path += parts[pick(random)];
        }
        pool.push_back(path);
    }
    PathList list;
    for (std::size_t k = 0; k < count; ++k) {
        list.push_back(pool[static_cast<std::size_t>(which(random))]);
    }
    return list;
}

TEST(SortPathList, SortsARangeInCodeUnitOrderAndLeavesTheRestAlone) {
    PathList list{"b", "a", "B", "A"};
    SortPathList(list, 0, 3);
    EXPECT_EQ(list, (PathList{"A", "B", "a", "b"}));

    PathList one{"z", "y", "x"};
    SortPathList(one, 1, 1);
    EXPECT_EQ(one, (PathList{"z", "y", "x"}));

    PathList middle{"z", "c", "b", "a", "0"};
    SortPathList(middle, 1, 3);
    EXPECT_EQ(middle, (PathList{"z", "a", "b", "c", "0"}));

    PathList paths{"C:\\m\\a.eml", "C:\\m.eml", "", "C:\\m\\X.eml"};
    SortPathList(paths, 0, 3);
    EXPECT_EQ(paths, (PathList{"", "C:\\m.eml", "C:\\m\\X.eml", "C:\\m\\a.eml"}));
}

TEST(SortPathList, AgreesWithAReferenceSortOnRandomListsWithManyDuplicates) {
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        const std::size_t size = 1 + static_cast<std::size_t>(round % 37) * 3;
        PathList list = randomPaths(random, size, 1 + round % 11);
        PathList expected = list;
        std::sort(expected.begin(), expected.end(),
                  [](const std::string& a, const std::string& b) { return codeUnitLess(a, b); });
        SortPathList(list, 0, static_cast<std::int64_t>(list.size()) - 1);
        ASSERT_EQ(list, expected) << "round " << round;
    }
}

TEST(SortPathList, SortsFortyThousandEntriesPastTheOldSixteenBitCapacity) {
    std::mt19937 random(99);
    PathList list = randomPaths(random, 40000, 400);
    PathList expected = list;
    std::sort(expected.begin(), expected.end(),
              [](const std::string& a, const std::string& b) { return codeUnitLess(a, b); });
    SortPathList(list, 0, static_cast<std::int64_t>(list.size()) - 1);
    EXPECT_EQ(list, expected);
}

TEST(SortPathList, FailsOutsideTheListAndOnAnOverflowingRange) {
    EXPECT_EQ(sortErrorNumber({"a", "b"}, 0, -1), errc::kSubscriptOutOfRange);
    EXPECT_EQ(sortErrorNumber({}, 0, 0), errc::kSubscriptOutOfRange);
    EXPECT_EQ(sortErrorNumber({"a", "b"}, 0, 2), errc::kSubscriptOutOfRange);
    const auto max = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(sortErrorNumber({"a"}, max, max), errc::kOverflow);
}

// An input on which every middle pivot is the smallest entry of its range, so each
// partition peels off one entry: recursing into both sides would nest once per entry.
PathList pivotIsAlwaysTheMinimum(std::size_t count) {
    std::vector<std::size_t> slots(count);
    for (std::size_t k = 0; k < count; ++k) {
        slots[k] = k;
    }
    std::vector<std::size_t> rank(count);
    const std::int64_t last = static_cast<std::int64_t>(count) - 1;
    for (std::int64_t first = 0; first < last; ++first) {
        const std::int64_t sum = first + last;
        std::int64_t pivot = sum / 2;
        if (sum % 2 != 0 && pivot % 2 != 0) {
            ++pivot;
        }
        rank[slots[static_cast<std::size_t>(pivot)]] = static_cast<std::size_t>(first);
        std::swap(slots[static_cast<std::size_t>(first)], slots[static_cast<std::size_t>(pivot)]);
    }
    rank[slots[count - 1]] = count - 1;
    PathList list(count);
    for (std::size_t k = 0; k < count; ++k) {
        char text[16];
        std::snprintf(text, sizeof text, "%08zu", rank[k]);
        list[k] = text;
    }
    return list;
}

struct SortOnSmallStack {
    PathList* list;
    bool sorted = false;
};

TEST(SortPathList, StackDepthStaysLogarithmicOnTheWorstInput) {
    PathList list = pivotIsAlwaysTheMinimum(4000);
    SortOnSmallStack job{&list};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    // 4,000 nested calls need far more than 128 KiB; a logarithmic depth fits easily.
    pthread_attr_setstacksize(&attributes, 128 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* arg) -> void* {
                      auto* work = static_cast<SortOnSmallStack*>(arg);
                      SortPathList(*work->list, 0,
                                   static_cast<std::int64_t>(work->list->size()) - 1);
                      work->sorted = true;
                      return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    ASSERT_TRUE(job.sorted);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_EQ(list.front(), "00000000");
    EXPECT_EQ(list.back(), "00003999");
}

TEST(RemoveDuplicatePaths, KeepsTheFirstOfEachRunOfEqualNeighboursAndDropsEmpties) {
    PathList runs{"a", "a", "a", "b", "b"};
    RemoveDuplicatePaths(runs);
    EXPECT_EQ(runs, (PathList{"a", "b"}));

    PathList empties{"", "a", ""};
    RemoveDuplicatePaths(empties);
    EXPECT_EQ(empties, (PathList{"a"}));

    PathList caseDiffers{"C:\\m\\X.eml", "C:\\m\\x.eml"};
    RemoveDuplicatePaths(caseDiffers);
    EXPECT_EQ(caseDiffers, (PathList{"C:\\m\\X.eml", "C:\\m\\x.eml"}));
}

TEST(RemoveDuplicatePaths, MergesOnlyNeighboursOnUnsortedInput) {
    PathList apart{"x", "y", "x"};
    RemoveDuplicatePaths(apart);
    EXPECT_EQ(apart, (PathList{"x", "y", "x"}));

    PathList gap{"x", "", "x"};
    RemoveDuplicatePaths(gap);
    EXPECT_EQ(gap, (PathList{"x", "x"}));
}

TEST(RemoveDuplicatePaths, AListWithNoSurvivorBecomesEmpty) {
    PathList allEmpty{"", "", ""};
    RemoveDuplicatePaths(allEmpty);
    EXPECT_TRUE(allEmpty.empty());

    PathList none;
    RemoveDuplicatePaths(none);
    EXPECT_TRUE(none.empty());
}

TEST(SortThenRemoveDuplicates, GivesTheDistinctNonEmptyEntriesInOrder) {
    std::mt19937 random(7);
    for (int round = 0; round < 100; ++round) {
        PathList list =
            randomPaths(random, 1 + static_cast<std::size_t>(round) * 5, 1 + round % 13);
        std::set<std::string> distinct(list.begin(), list.end());
        distinct.erase("");
        PathList expected(distinct.begin(), distinct.end());
        std::sort(expected.begin(), expected.end(),
                  [](const std::string& a, const std::string& b) { return codeUnitLess(a, b); });
        SortPathList(list, 0, static_cast<std::int64_t>(list.size()) - 1);
        RemoveDuplicatePaths(list);
        ASSERT_EQ(list, expected) << "round " << round;
    }
}

}  // namespace
}  // namespace tolvane::convert
