#include "pst/messaging/StoreComputed.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "mapi/Tags.h"

namespace tolvane::pst::messaging {

namespace {

using mapi::PropValue;
namespace tag = mapi::tag;

constexpr std::int32_t kMailUser = 6;     // PidTagObjectType MAPI_MAILUSER
constexpr std::int32_t kDisplayUser = 0;  // PidTagDisplayType DT_MAILUSER

mapi::FileTime now() {
    const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
    constexpr std::int64_t kTicksTo1970 = 116444736000000000;
    return mapi::FileTime{kTicksTo1970 +
                          std::chrono::duration_cast<std::chrono::microseconds>(since1970).count() *
                              10};
}

}  // namespace

const PropValue* WrittenProps::find(mapi::PropTag tag) const {
    for (const auto& [id, value] : props) {
        if (id == tag.id && value->type() == tag.type) {
            return value;
        }
    }
    return nullptr;
}

void WrittenProps::addDefault(mapi::PropTag tag, PropValue value) {
    const bool present =
        std::any_of(props.begin(), props.end(), [&](const auto& p) { return p.first == tag.id; });
    if (!present) {
        made.push_back(std::move(value));
        props.emplace_back(tag.id, &made.back());
    }
}

void WrittenProps::setComputed(mapi::PropTag tag, PropValue value) {
    erase(tag.id);
    made.push_back(std::move(value));
    props.emplace_back(tag.id, &made.back());
}

void WrittenProps::erase(std::uint16_t id) {
    std::erase_if(props, [&](const auto& p) { return p.first == id; });
}

StoreComputed::StoreComputed() : random_(std::random_device{}()) {}

void StoreComputed::completeMessage(const mapi::Message& message, bool attached,
                                    WrittenProps& out) {
    out.addDefault(tag::kMessageClass, PropValue::unicode("IPM.Note"));

    // Has-attachment follows the attachment table (MS-OXCMSG 2.2.1.6), whatever the client
    // set; Outlook keeps an attached message read.
    std::int32_t flags = 0;
    if (const PropValue* given = out.find(tag::kMessageFlags)) {
        flags = given->asInt32();
    }
    flags = message.attachments.empty() ? flags & ~tag::kMsgFlagHasAttach
                                        : flags | tag::kMsgFlagHasAttach;
    if (attached) {
        flags |= tag::kMsgFlagRead;
    }
    out.setComputed(tag::kMessageFlags, PropValue::int32(flags));

    // A received mail is created when it is delivered, as Outlook's received mails show.
    mapi::FileTime created = now();
    if (const PropValue* t = out.find(tag::kMessageDeliveryTime)) {
        created = t->asTime();
    } else if (const PropValue* sent = out.find(tag::kClientSubmitTime)) {
        created = sent->asTime();
    }
    out.addDefault(tag::kCreationTime, PropValue::time(created));
    out.addDefault(tag::kLastModificationTime, PropValue::time(created));

    mapi::Bytes searchKey(16);
    for (auto& b : searchKey) {
        b = static_cast<std::uint8_t>(random_());
    }
    out.addDefault(tag::kSearchKey, PropValue::binary(std::move(searchKey)));
    out.setComputed(tag::kMessageSize, PropValue::int32(0));  // patched once laid out
}

void StoreComputed::completeRecipient(WrittenProps& out) const {
    out.addDefault(tag::kObjectType, PropValue::int32(kMailUser));
    out.addDefault(tag::kDisplayType, PropValue::int32(kDisplayUser));
}

void StoreComputed::completeAttachment(mapi::FileTime messageCreated, WrittenProps& out) const {
    out.addDefault(tag::kAttachMethod, PropValue::int32(tag::kAttachByValue));
    out.addDefault(tag::kRenderingPosition, PropValue::int32(-1));
    // Added to the message as it was created, unless the MIME dated the file.
    out.addDefault(tag::kCreationTime, PropValue::time(messageCreated));
    out.addDefault(tag::kLastModificationTime, PropValue::time(messageCreated));
    out.setComputed(tag::kAttachSize, PropValue::int32(0));  // patched once laid out
}

mapi::FileTime StoreComputed::creationTime(const WrittenProps& message) {
    const PropValue* t = message.find(tag::kCreationTime);
    return t ? t->asTime() : now();
}

std::int32_t StoreComputed::storedSize(std::uint64_t nodeBytes) {
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(nodeBytes, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace tolvane::pst::messaging
