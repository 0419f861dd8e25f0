#pragma once

#include <string>
#include <vector>

#include "platform/ErrorNumber.h"
#include "scan/KeyedList.h"

namespace tolvane::scan::test {

template <typename T>
std::vector<T> itemsOf(const KeyedList<T>& list) {
    return std::vector<T>(list.begin(), list.end());
}

using tolvane::testing::errorNumberOf;

}  // namespace tolvane::scan::test
