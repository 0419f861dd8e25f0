#include "calendar/GlobalObjectId.h"

#include "calendar/BlobWriter.h"
#include "platform/HexDigit.h"

namespace tolvane::calendar {
namespace {

constexpr std::uint8_t kArrayId[16] = {0x04, 0x00, 0x00, 0x00, 0x82, 0x00, 0xE0, 0x00,
                                       0x74, 0xC5, 0xB7, 0x10, 0x1A, 0x82, 0xE0, 0x08};
constexpr std::size_t kHeaderSize = 40;  // up to and with the Size field

// The UID as the bytes of an id Outlook wrote (hex of one starting with the array id).
std::optional<mapi::Bytes> outlookId(const std::string& uid) {
    if (uid.size() < 2 * kHeaderSize || uid.size() % 2 != 0) {
        return std::nullopt;
    }
    mapi::Bytes bytes;
    for (std::size_t i = 0; i < uid.size(); i += 2) {
        const int hi = hexValue(uid[i]);
        const int lo = hexValue(uid[i + 1]);
        if (hi < 0 || lo < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    for (std::size_t i = 0; i < sizeof kArrayId; ++i) {
        if (bytes[i] != kArrayId[i]) {
            return std::nullopt;
        }
    }
    return bytes;
}

}  // namespace

mapi::Bytes globalObjectId(const std::string& uid, std::optional<CivilDate> instance) {
    mapi::Bytes id;
    if (auto given = outlookId(uid)) {
        id = std::move(*given);
    } else {
        BlobWriter w;
        for (const std::uint8_t b : kArrayId) {
            w.u8(b);
        }
        w.zeros(4);  // YH, YL, Month, D
        w.zeros(8);  // Creation Time
        w.zeros(8);  // X
        const std::string data = "vCal-Uid";
        w.u32(static_cast<std::uint32_t>(data.size() + 4 + uid.size() + 1));
        w.raw(data);
        w.u32(1);
        w.raw(uid);
        w.u8(0);
        id = w.take();
    }
    id[16] = id[17] = id[18] = id[19] = 0;
    if (instance) {
        id[16] = static_cast<std::uint8_t>(instance->year >> 8);
        id[17] = static_cast<std::uint8_t>(instance->year & 0xFF);
        id[18] = static_cast<std::uint8_t>(instance->month);
        id[19] = static_cast<std::uint8_t>(instance->day);
    }
    return id;
}

}  // namespace tolvane::calendar
