#include "mapi/PropValue.h"

#include <cstdio>

namespace tolvane::mapi {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kUnixEpochInFileTimeSeconds = 11'644'473'600;

}  // namespace

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
