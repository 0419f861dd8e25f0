#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
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
//
// A value added under "K" and its own position ("K1" for the first, the scanner's file keys)
// has a positional key: it is not stored, as it follows from the position, so a scan of a
// million files does not hold a million keys. Values under positional keys can be reordered
// (SortFrom); their keys stay with the positions.
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
        if (Contains(key)) {
            throw AppError(errc::kDuplicateKey,
                           "This key is already associated with an element of this collection");
        }
        const bool positional = positionOf(key) == values_.size() + 1;
        values_.push_back(std::move(value));
        try {
            keyStored_.push_back(!positional);
            if (!positional) {
                store(std::move(key), values_.size());
            }
        } catch (...) {
            keyStored_.resize(values_.size() - 1);
            values_.pop_back();
            throw;
        }
    }

    // Room for `count` values without growing again; a scanner that knows a folder's size
    // says so, so a million paths are not held while being moved to twice the room.
    void Reserve(std::size_t count) {
        if (count <= values_.capacity()) {
            return;
        }
        const std::size_t room = std::max(count, values_.capacity() + values_.capacity() / 2);
        values_.reserve(room);
        keyStored_.reserve(room);
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
        const std::size_t position = positionHolding(key);
        if (position == 0) {
            throw AppError(scan_errc::kInvalidProcedureCall, "Invalid procedure call or argument");
        }
        return values_[position - 1];
    }

    bool Contains(std::string_view key) const { return positionHolding(key) != 0; }

    // Sorts the values from `position` on by `less`. Each of them must have its positional
    // key, which stays with the position: the scanner adds a folder's files as the system
    // lists them and then puts them in order. Throws std::logic_error for a stored key.
    template <typename Less>
    void SortFrom(std::int64_t position, Less less) {
        const std::size_t first = positionalFrom(position);
        std::sort(values_.begin() + static_cast<std::ptrdiff_t>(first), values_.end(), less);
    }

    // Drops the values from `position` on, as if they had never been added: a folder that
    // fails part way through its listing leaves none of its files. Each must have its
    // positional key; throws std::logic_error for a stored key.
    void RemoveFrom(std::int64_t position) {
        const std::size_t first = positionalFrom(position);
        values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(first), values_.end());
        keyStored_.resize(values_.size());
    }

    // Hands the values over in order of addition and leaves the list empty, keys and all: a
    // caller that needs each value once and no key does not hold a million paths twice.
    std::vector<T> TakeValues() noexcept {
        keyStored_ = {};
        stored_ = {};
        slots_ = {};
        return std::exchange(values_, {});
    }

    // Enumeration in order of addition.
    const_iterator begin() const noexcept { return values_.begin(); }
    const_iterator end() const noexcept { return values_.end(); }

  private:
    struct StoredKey {
        std::string key;
        std::size_t position;
    };

    // The 0-based index of `position` (or the end), after checking every key from there on
    // is positional.
    std::size_t positionalFrom(std::int64_t position) const {
        const std::size_t first = std::min(
            static_cast<std::size_t>(std::max<std::int64_t>(position, 1) - 1), values_.size());
        if (std::find(keyStored_.begin() + static_cast<std::ptrdiff_t>(first), keyStored_.end(),
                      true) != keyStored_.end()) {
            throw std::logic_error("KeyedList: a value to reorder or drop has a stored key");
        }
        return first;
    }

    // The position "K<n>" names (n written as std::to_chars writes it, 1 or more), else 0.
    static std::size_t positionOf(std::string_view key) noexcept {
        if (key.size() < 2 || key.size() > 11 || key[0] != 'K' || key[1] < '1' || key[1] > '9') {
            return 0;
        }
        std::size_t position = 0;
        const auto [end, error] =
            std::from_chars(key.data() + 1, key.data() + key.size(), position);
        return error == std::errc{} && end == key.data() + key.size() ? position : 0;
    }

    // The 1-based position of the value held under key, or 0.
    std::size_t positionHolding(std::string_view key) const noexcept {
        const std::size_t position = positionOf(key);
        if (position != 0 && position <= values_.size() && !keyStored_[position - 1]) {
            return position;
        }
        const std::size_t slot = slotOf(key);
        return slot == kNoSlot ? 0 : stored_[slots_[slot] - 1].position;
    }

    // The stored keys' index is an open-addressed table of their places, not
    // std::unordered_map: that allocates a node per key, scattered among the values so the
    // memory stays taken after the list is gone.
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
            if (stored_[slots_[slot] - 1].key == key) {
                return slot;
            }
        }
    }

    void store(std::string key, std::size_t position) {
        if ((stored_.size() + 1) * 2 > slots_.size()) {
            rehash(std::max<std::size_t>(16, slots_.size() * 2));
        }
        stored_.push_back({std::move(key), position});
        place(stored_.size() - 1);
    }

    // Enters stored_[index] in the first free slot of its probe sequence; the table has room.
    void place(std::size_t index) noexcept {
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = hashOf(stored_[index].key) & mask;
        while (slots_[slot] != 0) {
            slot = (slot + 1) & mask;
        }
        slots_[slot] = static_cast<std::uint32_t>(index + 1);
    }

    // slotCount: a power of two, at least twice the keys. A failed allocation changes nothing.
    void rehash(std::size_t slotCount) {
        std::vector<std::uint32_t> fresh(slotCount, 0);
        slots_.swap(fresh);
        for (std::size_t index = 0; index < stored_.size(); ++index) {
            place(index);
        }
    }

    std::vector<T> values_;
    std::vector<bool> keyStored_;       // by position: false for a positional key
    std::vector<StoredKey> stored_;     // the other keys, in order of addition
    std::vector<std::uint32_t> slots_;  // place + 1 in stored_ of the key hashed there; 0: free
};

}  // namespace tolvane
