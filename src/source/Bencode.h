#pragma once

// Zimbra's "metadata" strings (Metadata.java over BEncoding.java): a bencode dialect whose
// string lengths count UTF-16 code units, Java's chars, instead of bytes. It is ours because
// no packaged bencode library reads that dialect: each would cut every string holding a
// character outside ASCII at the wrong place.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tolvane::source {

struct BValue;
using BList = std::vector<BValue>;
using BDict = std::vector<std::pair<std::string, BValue>>;  // in the order written (sorted)

struct BValue {
    std::variant<std::int64_t, std::string, BList, BDict> value;

    const std::string* string() const { return std::get_if<std::string>(&value); }
    const BList* list() const { return std::get_if<BList>(&value); }
    const BDict* dict() const { return std::get_if<BDict>(&value); }
    // An integer, or a string holding one: Zimbra reads both as numbers.
    std::optional<std::int64_t> integer() const;
    // A dictionary's value for `key`; null when this is no dictionary or has no such key.
    const BValue* find(std::string_view key) const;
    // The text of a string or an integer, as Zimbra's Metadata.get gives it.
    std::optional<std::string> text() const;
};

class BencodeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Parses one value that fills `utf8` exactly; throws BencodeError naming what is wrong and
// where (offsets in UTF-16 units, as the lengths count). Nesting past 100 levels is refused.
BValue parseBencode(std::string_view utf8);

}  // namespace tolvane::source
