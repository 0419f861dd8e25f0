#include "mime/MessageSize.h"

#include <type_traits>
#include <variant>

namespace tolvane::mime {

namespace {

std::uint64_t utf16Size(const std::string& s) {
    std::uint64_t units = 0;
    for (unsigned char c : s) {
        // A lead byte is one UTF-16 unit, a four-byte lead two; continuation bytes none.
        units += static_cast<std::uint64_t>((c & 0xC0) != 0x80) + (c >= 0xF0);
    }
    return units * 2 + 2;
}

std::uint64_t valueSize(const mapi::PropValue& v) {
    return std::visit(
        [&](const auto& x) -> std::uint64_t {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return utf16Size(x);
            } else if constexpr (std::is_same_v<T, mapi::Bytes>) {
                return x.size();
            } else if constexpr (std::is_same_v<T, mapi::PropValue::Stream>) {
                return x ? x->size() : 0;
            } else if constexpr (std::is_same_v<T, std::vector<std::string>>) {
                std::uint64_t n = 0;
                for (const auto& s : x)
                    n += utf16Size(s);
                return n;
            } else if constexpr (std::is_same_v<T, std::vector<mapi::Bytes>>) {
                std::uint64_t n = 0;
                for (const auto& b : x)
                    n += b.size();
                return n;
            } else if constexpr (std::is_same_v<T, mapi::Guid>) {
                return 16;
            } else if constexpr (std::is_same_v<T, bool>) {
                return 2;
            } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, double>) {
                return 8;
            } else {
                return x.size() * 8;
            }
        },
        v.payload());
}

std::uint64_t listSize(const mapi::PropertyList& p) {
    std::uint64_t n = 0;
    for (const auto& [id, v] : p.tagged())
        n += valueSize(v);
    for (const auto& [name, v] : p.named())
        n += valueSize(v);
    return n;
}

}  // namespace

std::uint64_t messageSize(const mapi::Message& msg) {
    std::uint64_t n = listSize(msg.props);
    for (const auto& r : msg.recipients)
        n += listSize(r.props);
    for (const auto& a : msg.attachments) {
        n += listSize(a.props);
        if (a.embedded)
            n += messageSize(*a.embedded);
    }
    return n;
}

}  // namespace tolvane::mime
