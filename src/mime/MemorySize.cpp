#include "mime/MemorySize.h"

#include <type_traits>
#include <variant>

namespace tolvane::mime {

namespace {

std::uint64_t valueSize(const mapi::PropValue& v) {
    const std::uint64_t own = sizeof(std::pair<std::uint16_t, mapi::PropValue>);
    return own +
           std::visit(
               [](const auto& x) -> std::uint64_t {
                   using T = std::decay_t<decltype(x)>;
                   if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, mapi::Bytes>) {
                       return x.capacity();
                   } else if constexpr (std::is_same_v<T, std::vector<std::string>> ||
                                        std::is_same_v<T, std::vector<mapi::Bytes>>) {
                       std::uint64_t n = x.capacity() * sizeof(typename T::value_type);
                       for (const auto& s : x)
                           n += s.capacity();
                       return n;
                   } else if constexpr (std::is_same_v<T, std::vector<std::int64_t>> ||
                                        std::is_same_v<T, std::vector<double>> ||
                                        std::is_same_v<T, std::vector<mapi::Guid>>) {
                       return x.capacity() * sizeof(typename T::value_type);
                   } else {
                       return 0;  // inline, or a stream whose bytes are on disk
                   }
               },
               v.payload());
}

std::uint64_t listSize(const mapi::PropertyList& p) {
    std::uint64_t n = 0;
    for (const auto& [id, v] : p.tagged())
        n += valueSize(v);
    for (const auto& [name, v] : p.named())
        n += valueSize(v) + name.name.capacity();
    return n;
}

}  // namespace

std::uint64_t inMemorySize(const mapi::Message& msg) {
    std::uint64_t n = sizeof(mapi::Message) + listSize(msg.props);
    for (const auto& r : msg.recipients)
        n += sizeof(r) + listSize(r.props);
    for (const auto& a : msg.attachments) {
        n += sizeof(a) + listSize(a.props);
        if (a.embedded)
            n += inMemorySize(*a.embedded);
    }
    return n;
}

}  // namespace tolvane::mime
