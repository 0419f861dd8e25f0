#pragma once

// Zimbra's metadata encoding (its bencode dialect: d...e dictionaries with sorted keys,
// l...e lists, i<n>e integers, <len>:<text> strings whose length counts UTF-16 units),
// read into a tree. Contact groups store their members in it.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tolvane::contact {

struct MetaValue {
    using List = std::vector<MetaValue>;
    using Dict = std::map<std::string, MetaValue>;
    std::variant<std::string, long long, List, Dict> v;

    const std::string* text() const { return std::get_if<std::string>(&v); }
    const List* list() const { return std::get_if<List>(&v); }
    const Dict* dict() const { return std::get_if<Dict>(&v); }
    const MetaValue* at(const std::string& key) const;
};

// Nothing when the text is not one whole, well-formed value.
std::optional<MetaValue> parseZimbraMetadata(std::string_view text);

}  // namespace tolvane::contact
