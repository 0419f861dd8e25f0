#include "pstcheck/messaging/RowCopies.h"

#include <optional>
#include <vector>

#include "pstcheck/ltp/PropTypes.h"
#include "pstcheck/messaging/Ids.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::uint32_t kMessageSize = 0x0E080003;

// Row-management columns and values a row may legitimately compute differently.
bool ownColumn(std::uint32_t tag) {
    return tag == tag::kLtpRowId || tag == tag::kLtpRowVer;
}

// What a row's cell would hold: inline values are as wide as their type there.
std::optional<std::vector<std::uint8_t>> objectValue(const PropertyContext& pc, std::uint16_t id) {
    auto value = pc.value(id);
    const auto fixed = fixedSize(pc.entries().at(id).type);
    if (value && inlineValue(pc.entries().at(id).type)) {
        value->resize(*fixed);
    }
    return value;
}

std::string fieldName(std::uint32_t tag) {
    switch (tag) {
        case tag::kDisplayName:
            return "PidTagDisplayName";
        case tag::kContentCount:
            return "PidTagContentCount";
        case tag::kContentUnread:
            return "PidTagContentUnreadCount";
        case tag::kSubfolders:
            return "PidTagSubfolders";
        case tag::kSubject:
            return "PidTagSubject";
        case tag::kMessageFlags:
            return "PidTagMessageFlags";
        case tag::kMessageClass:
            return "PidTagMessageClass";
        case kMessageSize:
            return "PidTagMessageSize";
        default:
            return "copy of " + hex(tag);
    }
}

std::string show(const std::vector<std::uint8_t>& v) {
    std::string out;
    for (std::size_t i = 0; i < v.size() && i < 16; ++i) {
        static const char* digits = "0123456789ABCDEF";
        out += digits[v[i] >> 4];
        out += digits[v[i] & 0xF];
    }
    return v.size() > 16 ? out + "...(" + std::to_string(v.size()) + " bytes)" : out;
}

}  // namespace

void compareRowWithObject(const TableContext& table, std::size_t row, const PropertyContext& object,
                          const char* structure, const std::string& where, Report& report) {
    for (const TableContext::Column& c : table.columns()) {
        if (ownColumn(c.tag)) {
            continue;
        }
        const auto id = static_cast<std::uint16_t>(c.tag >> 16);
        const auto type = static_cast<std::uint16_t>(c.tag & 0xFFFF);
        const auto it = object.entries().find(id);
        if (it == object.entries().end() || it->second.type != type) {
            continue;
        }
        const auto inRow = table.cellBytes(row, c.tag);
        const auto inObject = objectValue(object, id);
        if (!inObject || (inRow && *inRow == *inObject)) {
            continue;
        }
        // A row may not leave out a column the object has (Outlook's own rows never do).
        std::string detail = inRow ? "row holds " + show(*inRow) + ", the object " + show(*inObject)
                                   : "row has no cell, the object holds " + show(*inObject);
        if (c.tag == kMessageSize) {
            // Outlook refreshes the message size in its contents rows lazily (two samples).
            report.tolerate(structure, fieldName(c.tag), std::move(detail), where);
        } else {
            report.add(structure, fieldName(c.tag), std::move(detail), where);
        }
    }
}

}  // namespace tolvane::pstcheck
