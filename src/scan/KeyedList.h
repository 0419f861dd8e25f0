#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/AppError.h"
#include "scan/ScanErrc.h"

namespace tolvane {

// An ordered list of values, each added under a text key the list holds at most once.
// Positions are 1-based in order of addition. Keys are compared exactly (case matters).
// Handed out as std::shared_ptr<KeyedList<T>> so a list outlives the object that filled it.
template <typename T>
class KeyedList {
  public:
    using value_type = T;
    using const_iterator = typename std::vector<T>::const_iterator;

    // Appends value under key. Throws AppError 457 when key is already held (nothing is
    // added), AppError 6 when the list already holds the most a signed 32-bit count allows.
    void Add(T value, std::string key) {
        if (values_.size() == static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
            throw AppError(errc::kOverflow, "Overflow");
        }
        const auto [where, added] = positions_.try_emplace(std::move(key), values_.size());
        if (!added) {
            throw AppError(errc::kDuplicateKey,
                           "This key is already associated with an element of this collection");
        }
        try {
            values_.push_back(std::move(value));
        } catch (...) {
            positions_.erase(where);
            throw;
        }
    }

    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(values_.size()); }

    // The value at a 1-based position. Throws AppError 9 outside 1..Count().
    const T& Item(std::int64_t position) const {
        if (position < 1 || static_cast<std::uint64_t>(position) > values_.size()) {
            throw AppError(errc::kSubscriptOutOfRange, "Subscript out of range");
        }
        return values_[static_cast<std::size_t>(position - 1)];
    }

    // The value added under key. Throws AppError 5 when no value has that key.
    const T& Item(std::string_view key) const {
        const auto found = positions_.find(key);
        if (found == positions_.end()) {
            throw AppError(scan_errc::kInvalidProcedureCall, "Invalid procedure call or argument");
        }
        return values_[found->second];
    }

    bool Contains(std::string_view key) const { return positions_.find(key) != positions_.end(); }

    // Enumeration in order of addition.
    const_iterator begin() const noexcept { return values_.begin(); }
    const_iterator end() const noexcept { return values_.end(); }

  private:
    struct KeyHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const noexcept {
            return std::hash<std::string_view>{}(key);
        }
    };

    std::vector<T> values_;
    std::unordered_map<std::string, std::size_t, KeyHash, std::equal_to<>> positions_;
};

}  // namespace tolvane
