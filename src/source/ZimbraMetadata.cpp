#include "source/ZimbraMetadata.h"

#include <limits>

namespace tolvane::source {

BValue metadataOf(const Meta& meta) {
    if (meta.metadata.empty())
        return BValue{BDict{}};
    return parseBencode(meta.metadata);
}

std::optional<int> folderViewOf(const BValue& metadata) {
    const BValue* view = metadata.find("vt");
    const auto value = view ? view->integer() : std::nullopt;
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<std::int64_t> colourOf(const BValue& metadata) {
    const BValue* colour = metadata.find("c");
    return colour ? colour->integer() : std::nullopt;
}

std::vector<std::pair<std::string, std::string>> contactFieldsOf(const BValue& metadata) {
    std::vector<std::pair<std::string, std::string>> fields;
    const BValue* fld = metadata.find("fld");
    if (const BDict* dict = fld ? fld->dict() : nullptr) {
        for (const auto& [name, value] : *dict) {
            if (auto text = value.text())
                fields.emplace_back(name, std::move(*text));
        }
    }
    return fields;
}

}  // namespace tolvane::source
