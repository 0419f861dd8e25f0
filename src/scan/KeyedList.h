#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
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
        if (slotOf(key) != kNoSlot) {
            throw AppError(errc::kDuplicateKey,
                           "This key is already associated with an element of this collection");
        }
        if ((keys_.size() + 1) * 2 > slots_.size()) {
            rehash(std::max<std::size_t>(16, slots_.size() * 2));
        }
        keys_.push_back(std::move(key));
        try {
            values_.push_back(std::move(value));
        } catch (...) {
            keys_.pop_back();
            throw;
        }
        place(keys_.size() - 1);
    }

    // Room for `count` values without growing again; a scanner that knows a folder's size
    // says so, so a million paths are not held while being moved to twice the room.
    void Reserve(std::size_t count) {
        if (count <= values_.capacity()) {
            return;
        }
        const std::size_t room = std::max(count, values_.capacity() + values_.capacity() / 2);
        values_.reserve(room);
        keys_.reserve(room);
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
        const std::size_t slot = slotOf(key);
        if (slot == kNoSlot) {
            throw AppError(scan_errc::kInvalidProcedureCall, "Invalid procedure call or argument");
        }
        return values_[slots_[slot] - 1];
    }

    bool Contains(std::string_view key) const { return slotOf(key) != kNoSlot; }

    // Hands the values over in order of addition and leaves the list empty, keys and all: a
    // caller that needs each value once and no key does not hold a million paths twice.
    std::vector<T> TakeValues() noexcept {
        keys_ = {};
        slots_ = {};
        return std::exchange(values_, {});
    }

    // Enumeration in order of addition.
    const_iterator begin() const noexcept { return values_.begin(); }
    const_iterator end() const noexcept { return values_.end(); }

  private:
    // The key index is an open-addressed table of positions, not std::unordered_map: that
    // allocates a node per key, about 100 bytes for each of a scan's million short keys,
    // scattered among the paths so the memory stays taken after the list is gone. Here the
    // keys sit in one array and the index in another, under 50 bytes a key.
    static constexpr std::size_t kNoSlot = std::numeric_limits<std::size_t>::max();

    static std::size_t hashOf(std::string_view key) noexcept {
        return std::hash<std::string_view>{}(key);
    }

    // The slot holding key, or kNoSlot.
    std::size_t slotOf(std::string_view key) const noexcept {
        if (slots_.empty()) {
            return kNoSlot;
        }
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hashOf(key) & mask;; slot = (slot + 1) & mask) {
            if (slots_[slot] == 0) {
                return kNoSlot;
            }
            if (keys_[slots_[slot] - 1] == key) {
                return slot;
            }
        }
    }

    // Enters keys_[index] in the first free slot of its probe sequence; the table has room.
    void place(std::size_t index) noexcept {
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = hashOf(keys_[index]) & mask;
        while (slots_[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        slots_[slot] = static_cast<std::uint32_t>(index + 1);
    }

    // slotCount: a power of two, at least twice the keys. A failed allocation changes nothing.
    void rehash(std::size_t slotCount) {
        std::vector<std::uint32_t> fresh(slotCount, 0);
        slots_.swap(fresh);
        for (std::size_t index = 0; index < keys_.size(); ++index) {
            place(index);
        }
    }

    std::vector<T> values_;
    std::vector<std::string> keys_;     // by position
    std::vector<std::uint32_t> slots_;  // position + 1 of the key hashed there; 0: free
};

}  // namespace tolvane
