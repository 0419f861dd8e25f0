#include "mime/EntryIds.h"

#include <cstdint>

#include "text/Utf16.h"

namespace tolvane::mime {

namespace {

// MAPI_ONE_OFF_UID (MS-OXCDATA 2.2.5.1).
constexpr std::uint8_t kOneOffUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                         0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
// MAPI_ONE_OFF_UNICODE | MAPI_ONE_OFF_NO_RICH_INFO, as Outlook writes the entry ids of the
// internet addresses of a mail it received (0x9001, with 0x1000, only in those of a mail
// composed in it).
constexpr std::uint16_t kOneOffFlags = 0x8001;

void putU32(mapi::Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

mapi::Bytes oneOff(std::string_view displayName, std::string_view address) {
    mapi::Bytes out;
    out.reserve(32 + (displayName.size() + address.size()) * 2);
    putU32(out, 0);  // flags
    for (std::uint8_t b : kOneOffUid)
        out.push_back(b);
    out.push_back(0), out.push_back(0);  // version
    out.push_back(kOneOffFlags & 0xFF), out.push_back(kOneOffFlags >> 8);
    for (std::string_view field : {displayName, std::string_view("SMTP"), address}) {
        for (std::uint8_t b : text::utf16le(field))
            out.push_back(b);
        out.push_back(0), out.push_back(0);
    }
    return out;
}

}  // namespace

mapi::Bytes oneOffEntryId(std::string_view displayName, std::string_view address) {
    return oneOff(displayName, address);
}

mapi::Bytes smtpSearchKey(std::string_view address) {
    mapi::Bytes out = {'S', 'M', 'T', 'P', ':'};
    for (char c : address) {
        out.push_back(static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 32 : c));
    }
    out.push_back(0);
    return out;
}

mapi::Bytes flatEntryList(const std::vector<mapi::Bytes>& entryIds) {
    mapi::Bytes entries;
    for (const auto& id : entryIds) {
        putU32(entries, static_cast<std::uint32_t>(id.size()));
        entries.insert(entries.end(), id.begin(), id.end());
        while (entries.size() % 4 != 0)
            entries.push_back(0);
    }
    mapi::Bytes out;
    putU32(out, static_cast<std::uint32_t>(entryIds.size()));
    putU32(out, static_cast<std::uint32_t>(entries.size()));
    out.insert(out.end(), entries.begin(), entries.end());
    return out;
}

}  // namespace tolvane::mime
