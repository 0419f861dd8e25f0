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

constexpr std::int32_t kEnglishUs = 0x0409;
constexpr std::int32_t kWesternEuropean = 1252;

void setDefault(mapi::PropertyList& p, mapi::PropTag t, PropValue value) {
    if (!p.has(t))
        p.set(t, std::move(value));
}

void setDefault(mapi::PropertyList& p, const mapi::NamedTag& t, PropValue value) {
    if (!p.getNamed(t))
        p.setNamed(t, std::move(value));
}

// PidTagPriority from Priority (RFC 2156): -1 non-urgent, 0 normal, 1 urgent.
std::int32_t priorityOf(const HeaderView& h) {
    const std::string value = h.text("Priority").value_or("");
    if (strcasecmp(value.c_str(), "urgent") == 0)
        return 1;
    if (strcasecmp(value.c_str(), "non-urgent") == 0)
        return -1;
    return 0;
}

// The user's locale as Outlook's would stamp it: its LCID and its ANSI code page.
std::int32_t localeId() {
    std::string locale = processLocale();
    locale = locale.substr(0, locale.find_first_of(".@"));
    return locale.empty() || locale == "C" || locale == "POSIX"
               ? kEnglishUs
               : lcidOfContentLanguage(locale).value_or(kEnglishUs);
}

std::int32_t ansiCodePage() {
    const int cp = codePageOf(fallbackCharset());
    return cp ? cp : kWesternEuropean;
}

// The mailbox a Delivered-To or X-Original-To line names: a bare address only, since lists
// write other things there ("mailing list users@example.org").
std::optional<std::string> ownerAddress(const HeaderView& h) {
    for (const char* header : {"Delivered-To", "X-Original-To"}) {
        for (const std::string& raw : h.allRaw(header)) {
            std::string value = unfold(raw);
            if (value.size() >= 2 && value.front() == '<' && value.back() == '>')
                value = value.substr(1, value.size() - 2);
            const std::size_t at = value.find('@');
            if (at != std::string::npos && at > 0 && at + 1 < value.size() &&
                value.find('@', at + 1) == std::string::npos &&
                value.find_first_of(" \t<>()\",;:") == std::string::npos) {
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

void mapReceivedMail(const HeaderView& h, mapi::Message& msg) {
    auto& p = msg.props;
    p.set(tag::kPriority, PropValue::int32(priorityOf(h)));
    setDefault(p, tag::kReadReceiptRequested, PropValue::boolean(false));
    setDefault(p, tag::kNonReceiptNotificationRequested, PropValue::boolean(false));
    setDefault(p, tag::kMessageLocaleId, PropValue::int32(localeId()));
    // Outlook writes its ANSI code page; with a body Tolvane writes the body's, since some
    // readers (libpst) decode the body by this one rather than PidTagInternetCodepage.
    const auto* bodyCodepage = p.get(tag::kInternetCodepage);
    setDefault(p, tag::kMessageCodepage,
               PropValue::int32(bodyCodepage ? bodyCodepage->asInt32() : ansiCodePage()));
    p.setNamed(named::kSmartNoAttach, PropValue::boolean(noVisibleAttachment(msg)));
    setDefault(p, named::kSideEffects, PropValue::int32(0));
    setDefault(p, named::kReminderSet, PropValue::boolean(false));
    setDefault(p, named::kReminderDelta, PropValue::int32(0));
    setDefault(p, named::kPrivate, PropValue::boolean(false));
    setDefault(p, named::kAgingDontAgeMe, PropValue::boolean(false));
    setDefault(p, named::kTaskMode, PropValue::int32(0));
    setDefault(p, named::kUseTnef, PropValue::boolean(false));
    mapOwner(h, msg);
}

}  // namespace tolvane::mime
