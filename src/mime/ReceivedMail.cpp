#include "mime/ReceivedMail.h"

#include <strings.h>

#include <algorithm>
#include <optional>
#include <string>

#include "mapi/Tags.h"
#include "mime/Charset.h"
#include "mime/EntryIds.h"
#include "mime/FallbackCharset.h"
#include "mime/HeaderText.h"
#include "mime/LanguageIds.h"

namespace tolvane::mime {

namespace {

using mapi::PropValue;
namespace tag = mapi::tag;
namespace named = mapi::named;

// PidTagPriority from Priority (RFC 2156): -1 non-urgent, 0 normal, 1 urgent.
std::int32_t priorityOf(const HeaderView& h) {
    const std::string value = h.text("Priority").value_or("");
    if (strcasecmp(value.c_str(), "urgent") == 0)
        return 1;
    if (strcasecmp(value.c_str(), "non-urgent") == 0)
        return -1;
    return 0;
}

bool hasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// The mailbox a Delivered-To or X-Original-To line names: a bare address only, since lists
// write other things there ("mailing list users@example.org"). Raw 8-bit bytes decode as the
// address lines do, so the owner still matches its recipient row.
std::optional<std::string> ownerAddress(const HeaderView& h) {
    for (const char* header : {"Delivered-To", "X-Original-To"}) {
        for (const std::string& raw : h.allRaw(header)) {
            std::string value = h.undeclared().decode(unfold(raw)).utf8;
            if (value.size() >= 2 && value.front() == '<' && value.back() == '>')
                value = value.substr(1, value.size() - 2);
            const std::size_t at = value.find('@');
            if (at != std::string::npos && at > 0 && at + 1 < value.size() &&
                value.find('@', at + 1) == std::string::npos &&
                value.find_first_of(" \t<>()\",;:") == std::string::npos &&
                !hasControlCharacter(value)) {
                return value;
            }
        }
    }
    return std::nullopt;
}

bool sameAddress(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

void mapOwner(const HeaderView& h, mapi::Message& msg) {
    const auto owner = ownerAddress(h);
    if (!owner)
        return;
    std::string name = *owner;
    bool toMe = false, ccMe = false, recipientMe = false;
    for (const mapi::Recipient& r : msg.recipients) {
        const auto* address = r.props.get(tag::kEmailAddress);
        if (!address || !sameAddress(address->asString(), *owner))
            continue;
        recipientMe = true;
        const auto* type = r.props.get(tag::kRecipientType);
        toMe = toMe || (type && type->asInt32() == 1);
        ccMe = ccMe || (type && type->asInt32() == 2);
        if (const auto* shown = r.props.get(tag::kDisplayName); shown && name == *owner)
            name = shown->asString();
    }
    const mapi::Bytes entryId = oneOffEntryId(name, *owner);
    const mapi::Bytes searchKey = smtpSearchKey(*owner);
    struct Group {
        mapi::PropTag name, entryId, addressType, email, searchKey, smtp;
    };
    constexpr Group groups[] = {
        {tag::kReceivedByName, tag::kReceivedByEntryId, tag::kReceivedByAddressType,
         tag::kReceivedByEmailAddress, tag::kReceivedBySearchKey, tag::kReceivedBySmtpAddress},
        {tag::kReceivedRepresentingName, tag::kReceivedRepresentingEntryId,
         tag::kReceivedRepresentingAddressType, tag::kReceivedRepresentingEmailAddress,
         tag::kReceivedRepresentingSearchKey, tag::kReceivedRepresentingSmtpAddress}};
    for (const Group& g : groups) {
        msg.props.set(g.name, PropValue::unicode(name));
        msg.props.set(g.entryId, PropValue::binary(entryId));
        msg.props.set(g.addressType, PropValue::unicode("SMTP"));
        msg.props.set(g.email, PropValue::unicode(*owner));
        msg.props.set(g.searchKey, PropValue::binary(searchKey));
        msg.props.set(g.smtp, PropValue::unicode(*owner));
    }
    msg.props.set(tag::kMessageToMe, PropValue::boolean(toMe));
    msg.props.set(tag::kMessageCcMe, PropValue::boolean(ccMe));
    msg.props.set(tag::kMessageRecipientMe, PropValue::boolean(recipientMe));
}

// PidLidSmartNoAttach: the message has no attachment the user sees (none, or inline only).
bool noVisibleAttachment(const mapi::Message& msg) {
    return std::all_of(msg.attachments.begin(), msg.attachments.end(), [](const auto& a) {
        const auto* hidden = a.props.get(tag::kAttachmentHidden);
        return hidden && hidden->asBool();
    });
}

}  // namespace

UserLocale UserLocale::ofProcess(const std::string& fallback) {
    // Asked once a file: the answer is kept while locale and fallback stay the same.
    thread_local std::string key = "\x01";
    thread_local UserLocale user;
    std::string locale = processLocale();
    if (std::string now = locale + '\n' + fallback; now != key) {
        key = std::move(now);
        user = UserLocale();
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (!locale.empty() && locale != "C" && locale != "POSIX")
            user.lcid = lcidOfContentLanguage(locale).value_or(user.lcid);
        if (const int cp = codePageOf(fallback))
            user.ansiCodePage = cp;
    }
    return user;
}

void setReceivedMailDefaults(const HeaderView& h, const UserLocale& user, mapi::Message& msg) {
    auto& p = msg.props;
    p.set(tag::kPriority, PropValue::int32(priorityOf(h)));
    p.set(tag::kReadReceiptRequested, PropValue::boolean(false));
    p.set(tag::kNonReceiptNotificationRequested, PropValue::boolean(false));
    p.set(tag::kMessageLocaleId, PropValue::int32(user.lcid));
    p.setNamed(named::kSideEffects, PropValue::int32(0));
    p.setNamed(named::kReminderSet, PropValue::boolean(false));
    p.setNamed(named::kReminderDelta, PropValue::int32(0));
    p.setNamed(named::kPrivate, PropValue::boolean(false));
    p.setNamed(named::kAgingDontAgeMe, PropValue::boolean(false));
    p.setNamed(named::kTaskMode, PropValue::int32(0));
    p.setNamed(named::kUseTnef, PropValue::boolean(false));
}

void mapReceivedMail(const HeaderView& h, const UserLocale& user, mapi::Message& msg) {
    auto& p = msg.props;
    // Outlook writes its ANSI code page; with a body Tolvane writes the body's, since some
    // readers (libpst) decode the body by this one rather than PidTagInternetCodepage.
    const auto* bodyCodepage = p.get(tag::kInternetCodepage);
    p.set(tag::kMessageCodepage,
          PropValue::int32(bodyCodepage ? bodyCodepage->asInt32() : user.ansiCodePage));
    p.setNamed(named::kSmartNoAttach, PropValue::boolean(noVisibleAttachment(msg)));
    mapOwner(h, msg);
}

}  // namespace tolvane::mime
