#include "convert/PathList.h"

#include <utility>

#include "convert/CodeUnitOrder.h"
#include "platform/AppError.h"

namespace tolvane::convert {
namespace {

std::string& entryAt(PathList& list, std::int64_t position) {
    if (position < 0 || static_cast<std::uint64_t>(position) >= list.size()) {
        throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
    }
    return list[static_cast<std::size_t>(position)];
}

std::int64_t checkedAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        throw AppError(errc::kOverflow, "Overflow");
    }
    return sum;
}

// The integer nearest to sum / 2; a tie goes to the even one.
std::int64_t middleOf(std::int64_t sum) {
    const std::int64_t half = sum >= 0 ? sum / 2 : -((-(sum + 1)) / 2) - 1;  // floor(sum / 2)
    if (sum % 2 == 0) {
        return half;
    }
    return half % 2 == 0 ? half : half + 1;
}

}  // namespace

void SortPathList(PathList& list, std::int64_t first, std::int64_t last) {
    for (;;) {
        const std::string pivot = entryAt(list, middleOf(checkedAdd(first, last)));
        std::int64_t i = first;
        std::int64_t j = last;
        do {
            // The entry is read before the position test, as the scans are defined.
            while (codeUnitLess(entryAt(list, i), pivot) && i < last) {
                i = checkedAdd(i, 1);
            }
            while (codeUnitLess(pivot, entryAt(list, j)) && j > first) {
                j = checkedAdd(j, -1);
            }
            if (i <= j) {
                std::swap(entryAt(list, i), entryAt(list, j));
                i = checkedAdd(i, 1);
                j = checkedAdd(j, -1);
            }
        } while (i <= j);

        const bool left = first < j;
        const bool right = i < last;
        if (left && right) {
            if (j - first < last - i) {
                SortPathList(list, first, j);
                first = i;
            } else {
                SortPathList(list, i, last);
                last = j;
            }
        } else if (left) {
            last = j;
        } else if (right) {
            first = i;
        } else {
            return;
        }
    }
}

void RemoveDuplicatePaths(PathList& list) {
    const auto n = static_cast<std::int64_t>(list.size()) - 1;
    std::int64_t anchor = 0;
    std::int64_t distance = 1;
    while (anchor + distance <= n) {
        std::string& held = list[static_cast<std::size_t>(anchor)];
        if (held.empty()) {
            ++anchor;
            continue;
        }
        std::string& next = list[static_cast<std::size_t>(anchor + distance)];
        if (next == held) {
            next.clear();
            ++distance;
        } else {
            distance = 1;
            ++anchor;
        }
    }

    std::size_t kept = 0;
    for (std::size_t m = 0; m < list.size(); ++m) {
        if (list[m].empty()) {
            continue;
        }
        if (m != kept) {
            list[kept] = std::move(list[m]);
        }
        ++kept;
    }
    list.resize(kept);
}

}  // namespace tolvane::convert
