#include "pst/ltp/ValueEncoding.h"

#include <bit>
#include <cstring>
#include <string>

#include "pst/Hex.h"
#include "pst/PstError.h"
#include "pst/ndb/ByteOrder.h"
#include "text/Utf16.h"

namespace tolvane::pst::ltp {

using mapi::PropType;

std::size_t fixedSize(PropType type) {
    switch (type) {
        case PropType::Boolean:
            return 1;
        case PropType::Int16:
            return 2;
        case PropType::Int32:
        case PropType::Float:
        case PropType::ErrorCode:
            return 4;
        case PropType::Double:
        case PropType::Currency:
        case PropType::AppTime:
        case PropType::Int64:
        case PropType::SysTime:
            return 8;
        case PropType::Guid:
            return 16;
        default:
            return 0;
    }
}

namespace {

std::uint64_t scalarBits(PropType type, const mapi::PropValue::Payload& payload,
                         std::size_t index) {
    auto integer = [&]() -> std::int64_t {
        if (const auto* v = std::get_if<std::int64_t>(&payload)) {
            return *v;
        }
        return std::get<std::vector<std::int64_t>>(payload).at(index);
    };
    auto real = [&]() -> double {
        if (const auto* v = std::get_if<double>(&payload)) {
            return *v;
        }
        return std::get<std::vector<double>>(payload).at(index);
    };
    switch (type) {
        case PropType::Boolean:
            return std::get<bool>(payload) ? 1 : 0;
        case PropType::Float:
            return std::bit_cast<std::uint32_t>(static_cast<float>(real()));
        case PropType::Double:
        case PropType::AppTime:
            return std::bit_cast<std::uint64_t>(real());
        default:
            return static_cast<std::uint64_t>(integer());
    }
}

void appendBits(std::vector<std::uint8_t>& out, std::uint64_t bits, std::size_t size) {
    const std::size_t at = out.size();
    out.resize(at + size);
    ndb::le::put(out, at, bits, size);
}

void appendGuid(std::vector<std::uint8_t>& out, const mapi::Guid& guid) {
    out.insert(out.end(), guid.bytes.begin(), guid.bytes.end());
}

// Variable-size multi-valued layout ([MS-PST] 2.3.3.4.2): count, offsets, then the items.
std::vector<std::uint8_t> multiVariable(const std::vector<std::vector<std::uint8_t>>& items) {
    std::vector<std::uint8_t> out(4 + 4 * items.size());
    ndb::le::put32(out, 0, static_cast<std::uint32_t>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        ndb::le::put32(out, 4 + 4 * i, static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), items[i].begin(), items[i].end());
    }
    return out;
}

}  // namespace

std::uint64_t fixedBits(const mapi::PropValue& value) {
    return scalarBits(value.type(), value.payload(), 0);
}

std::vector<std::uint8_t> encodeValue(const mapi::PropValue& value) {
    const PropType type = value.type();
    std::vector<std::uint8_t> out;
    if (type == PropType::Guid) {
        appendGuid(out, value.asGuid());
        return out;
    }
    if (const std::size_t size = fixedSize(type)) {
        appendBits(out, fixedBits(value), size);
        return out;
    }
    switch (type) {
        case PropType::Unicode:
            return text::utf16le(value.asString());
        case PropType::String8: {
            const std::string& s = value.asString();
            return {s.begin(), s.end()};
        }
        case PropType::Binary:
            return value.binaryBytes();
        case PropType::MvUnicode:
        case PropType::MvString8: {
            std::vector<std::vector<std::uint8_t>> items;
            for (const std::string& s : value.asStrings()) {
                items.push_back(type == PropType::MvUnicode
                                    ? text::utf16le(s)
                                    : std::vector<std::uint8_t>(s.begin(), s.end()));
            }
            return multiVariable(items);
        }
        case PropType::MvBinary:
            return multiVariable(value.asBinaries());
        case PropType::MvGuid:
            for (const mapi::Guid& g : value.asGuids()) {
                appendGuid(out, g);
            }
            return out;
        default:
            break;
    }
    if (mapi::isMultiValued(type)) {
        const PropType single = mapi::singleOf(type);
        const std::size_t size = fixedSize(single);
        const auto& payload = value.payload();
        const std::size_t count = std::holds_alternative<std::vector<double>>(payload)
                                      ? std::get<std::vector<double>>(payload).size()
                                      : std::get<std::vector<std::int64_t>>(payload).size();
        for (std::size_t i = 0; i < count && size != 0; ++i) {
            appendBits(out, scalarBits(single, payload, i), size);
        }
        if (size != 0) {
            return out;
        }
    }
    throw PstError("property value of type " + hex(static_cast<unsigned>(type), 4) +
                   " cannot be stored");
}

}  // namespace tolvane::pst::ltp
