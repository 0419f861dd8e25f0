#include "source/Meta.h"

#include <charconv>
#include <limits>

#include <nlohmann/json.hpp>

namespace tolvane::source {

namespace {

using nlohmann::json;

[[noreturn]] void badField(std::string_view key, std::string_view what) {
    throw MetaError(MetaError::Reason::BadField,
                    "its \"" + std::string(key) + "\" " + std::string(what));
}

// Zimbra's JSON library reads a number written as a string too; so does this.
std::optional<std::int64_t> integerOf(const json& object, std::string_view key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return std::nullopt;
    if (it->is_number_integer())
        return it->get<std::int64_t>();
    if (it->is_string()) {
        const auto& text = it->get_ref<const std::string&>();
        std::int64_t value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc() && end == text.data() + text.size())
            return value;
    }
    badField(key, "is not a whole number");
}

std::int64_t requiredInteger(const json& object, std::string_view key) {
    const auto value = integerOf(object, key);
    if (!value)
        badField(key, "is missing");
    return *value;
}

int requiredInt32(const json& object, std::string_view key) {
    const std::int64_t value = requiredInteger(object, key);
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        badField(key, "is out of range");
    return static_cast<int>(value);
}

std::string stringOf(const json& object, std::string_view key) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return {};
    if (!it->is_string())
        badField(key, "is not a string");
    return it->get<std::string>();
}

// Before 6.0.6: tag ids joined by ','; in 6.0.6: names, each after a ':'.
void readOldTags(const std::string& tagStr, Meta& meta) {
    if (tagStr.empty())
        return;
    if (tagStr.front() >= '0' && tagStr.front() <= '9' && tagStr.find(':') == std::string::npos) {
        std::size_t start = 0;
        while (start <= tagStr.size()) {
            const std::size_t comma = std::min(tagStr.find(',', start), tagStr.size());
            int id = 0;
            const auto [end, ec] =
                std::from_chars(tagStr.data() + start, tagStr.data() + comma, id);
            if (ec != std::errc() || end != tagStr.data() + comma)
                badField("TagStr", "is neither tag ids nor tag names");
            meta.tagIds.push_back(id);
            start = comma + 1;
        }
        return;
    }
    meta.tagNames = splitTagNames(tagStr);
}

}  // namespace

bool Meta::isUnread() const {
    return unread > 0 || flagString.find('u') != std::string::npos;
}

bool Meta::has(ZimbraFlag flag) const {
    if (flag == ZimbraFlag::Unread)
        return isUnread();
    return ((flags | flagsOfLetters(flagString)) & static_cast<std::uint32_t>(flag)) != 0;
}

Meta parseMeta(std::string_view text) {
    json object;
    try {
        object = json::parse(text);
    } catch (const json::exception& e) {
        throw MetaError(MetaError::Reason::NotJson,
                        std::string("it is not JSON (") + e.what() + ")");
    }
    if (!object.is_object())
        throw MetaError(MetaError::Reason::NotJson, "it is JSON but not an object");

    Meta meta;
    meta.version = requiredInt32(object, "Ver");
    if (meta.version > kNewestMetaVersion) {
        throw MetaError(MetaError::Reason::UnknownVersion,
                        "its version " + std::to_string(meta.version) + " is newer than " +
                            std::to_string(kNewestMetaVersion) + ", the newest this program reads");
    }
    meta.id = requiredInt32(object, "id");
    meta.type = requiredInt32(object, "type");
    meta.folderId = requiredInt32(object, "folder_id");
    meta.parentId = static_cast<int>(integerOf(object, "parent_id").value_or(-1));
    meta.date = requiredInteger(object, "date");
    meta.changeDate = integerOf(object, "change_date").value_or(0);
    meta.size = integerOf(object, "size").value_or(0);
    meta.blobDigest = stringOf(object, "blob_digest");
    meta.unread = requiredInt32(object, "unread");
    meta.flags = static_cast<std::uint32_t>(requiredInteger(object, "flags"));
    meta.flagString = stringOf(object, "FlagStr");
    if (object.contains("Path"))
        meta.path = stringOf(object, "Path");
    meta.subject = stringOf(object, "subject");
    meta.name = stringOf(object, "name");
    meta.metadata = stringOf(object, "metadata");
    // As Zimbra's importer: TagNames when it names any, else the older TagStr.
    if (const std::string tagNames = stringOf(object, "TagNames"); !tagNames.empty())
        meta.tagNames = splitTagNames(tagNames);
    else
        readOldTags(stringOf(object, "TagStr"), meta);
    return meta;
}

std::vector<std::string> splitTagNames(std::string_view joined) {
    std::vector<std::string> names;
    std::string name;
    bool escaped = false;
    for (const char c : joined) {
        if (escaped) {
            name += c;
            escaped = false;
        } else if (c == '\\') {
            escaped = true;
        } else if (c == ':') {
            if (!name.empty())
                names.push_back(std::move(name));
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty())
        names.push_back(std::move(name));
    return names;
}

}  // namespace tolvane::source
