#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "mapi/ByteSource.h"
#include "mapi/PropType.h"
#include "platform/HexDigit.h"

namespace tolvane::mapi {

using Bytes = std::vector<std::uint8_t>;

// A GUID in its on-disk byte order (Data1..Data3 little-endian), as MS-OXCDATA 2.5.1 lays it out.
struct Guid {
    std::array<std::uint8_t, 16> bytes{};

    // Parses "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (braces optional); throws
    // std::invalid_argument on anything else. Usable in constant expressions.
    static constexpr Guid parse(std::string_view text);
    std::string toString() const;
    friend bool operator==(const Guid&, const Guid&) = default;
    friend auto operator<=>(const Guid&, const Guid&) = default;
};

constexpr Guid Guid::parse(std::string_view text) {
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
    constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        g.bytes[i] = be[order[i]];
    return g;
}

// 100-nanosecond intervals since 1601-01-01 UTC (a Windows FILETIME).
struct FileTime {
    std::int64_t ticks = 0;

    static FileTime fromUnixSeconds(std::int64_t seconds);
    std::int64_t toUnixSeconds() const;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

// One typed property value. Strings are UTF-8 in the model; a writer converts them to the
// store's encoding. A binary value may be a stream instead of bytes in memory.
class PropValue {
  public:
    using Stream = std::shared_ptr<const ByteSource>;
    using Payload = std::variant<std::int64_t, double, bool, std::string, Bytes, Guid, Stream,
                                 std::vector<std::int64_t>, std::vector<double>,
                                 std::vector<std::string>, std::vector<Bytes>, std::vector<Guid>>;

    static PropValue int16(std::int16_t v) { return {PropType::Int16, std::int64_t{v}}; }
    static PropValue int32(std::int32_t v) { return {PropType::Int32, std::int64_t{v}}; }
    static PropValue int64(std::int64_t v) { return {PropType::Int64, v}; }
    static PropValue currency(std::int64_t v) { return {PropType::Currency, v}; }
    static PropValue errorCode(std::uint32_t v) { return {PropType::ErrorCode, std::int64_t{v}}; }
    static PropValue floating(float v) { return {PropType::Float, double{v}}; }
    static PropValue floating64(double v) { return {PropType::Double, v}; }
    static PropValue boolean(bool v) { return {PropType::Boolean, v}; }
    static PropValue time(FileTime v) { return {PropType::SysTime, v.ticks}; }
    static PropValue unicode(std::string utf8) { return {PropType::Unicode, std::move(utf8)}; }
    static PropValue string8(std::string bytes) { return {PropType::String8, std::move(bytes)}; }
    static PropValue guid(Guid v) { return {PropType::Guid, v}; }
    static PropValue binary(Bytes v) { return {PropType::Binary, std::move(v)}; }
    static PropValue binaryStream(Stream v) { return {PropType::Binary, std::move(v)}; }
    static PropValue mvInt32(std::vector<std::int64_t> v) {
        return {PropType::MvInt32, std::move(v)};
    }
    static PropValue mvUnicode(std::vector<std::string> v) {
        return {PropType::MvUnicode, std::move(v)};
    }
    static PropValue mvBinary(std::vector<Bytes> v) { return {PropType::MvBinary, std::move(v)}; }

    PropType type() const { return type_; }
    const Payload& payload() const { return payload_; }

    // Typed reads; each throws std::bad_variant_access on a mismatched payload.
    std::int64_t asInteger() const { return std::get<std::int64_t>(payload_); }
    std::int32_t asInt32() const { return static_cast<std::int32_t>(asInteger()); }
    double asDouble() const { return std::get<double>(payload_); }
    bool asBool() const { return std::get<bool>(payload_); }
    FileTime asTime() const { return FileTime{asInteger()}; }
    const std::string& asString() const { return std::get<std::string>(payload_); }
    const Guid& asGuid() const { return std::get<Guid>(payload_); }
    bool isStream() const { return std::holds_alternative<Stream>(payload_); }
    const Bytes& asBytes() const { return std::get<Bytes>(payload_); }
    const Stream& asStream() const { return std::get<Stream>(payload_); }
    const std::vector<std::int64_t>& asIntegers() const {
        return std::get<std::vector<std::int64_t>>(payload_);
    }
    const std::vector<std::string>& asStrings() const {
        return std::get<std::vector<std::string>>(payload_);
    }
    const std::vector<Bytes>& asBinaries() const { return std::get<std::vector<Bytes>>(payload_); }
    const std::vector<Guid>& asGuids() const { return std::get<std::vector<Guid>>(payload_); }

    // Size of a binary value, in memory or streamed.
    std::uint64_t binarySize() const;
    // A binary value's bytes, read whole from its stream if it has one.
    Bytes binaryBytes() const;

  private:
    PropValue(PropType type, Payload payload) : type_(type), payload_(std::move(payload)) {}

    PropType type_;
    Payload payload_;
};

}  // namespace tolvane::mapi
