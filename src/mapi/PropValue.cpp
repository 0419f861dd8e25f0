#include "mapi/PropValue.h"

#include <cstdio>
#include <stdexcept>

#include "platform/HexDigit.h"

namespace tolvane::mapi {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixEpochInFileTimeSeconds = 11'644'473'600;

}  // namespace

Guid Guid::parse(std::string_view text) {
    if (!text.empty() && text.front() == '{')
        text.remove_prefix(1);
    if (!text.empty() && text.back() == '}')
        text.remove_suffix(1);
    std::array<std::uint8_t, 16> be{};  // the textual (big-endian) order
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-')
            continue;
        if (i + 1 >= text.size() || n >= be.size())
            throw std::invalid_argument("bad GUID text");
        const int hi = hexValue(text[i]);
        const int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0)
            throw std::invalid_argument("bad GUID text");
        be[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        ++i;
    }
    if (n != be.size())
        throw std::invalid_argument("bad GUID text");
    Guid g;
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        g.bytes[i] = be[order[i]];
    return g;
}

std::string Guid::toString() const {
    const auto& b = bytes;
    char out[40];
    std::snprintf(out, sizeof out,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return out;
}

FileTime FileTime::fromUnixSeconds(std::int64_t seconds) {
    return FileTime{(seconds + kUnixEpochInFileTimeSeconds) * kTicksPerSecond};
}

std::int64_t FileTime::toUnixSeconds() const {
    return ticks / kTicksPerSecond - kUnixEpochInFileTimeSeconds;
}

std::uint64_t PropValue::binarySize() const {
    if (isStream())
        return asStream() ? asStream()->size() : 0;
    return asBytes().size();
}

Bytes PropValue::binaryBytes() const {
    if (isStream())
        return asStream() ? asStream()->readAll() : Bytes{};
    return asBytes();
}

}  // namespace tolvane::mapi
