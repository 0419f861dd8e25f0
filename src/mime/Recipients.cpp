#include "mime/Recipients.h"

#include <cstdint>
#include <vector>

#include "mapi/Tags.h"
#include "mime/EntryIds.h"

namespace tolvane::mime {

namespace {

using mapi::PropValue;

constexpr std::int32_t kRecipientSendable = 0x1;  // PidTagRecipientFlags recipSendable

// The six properties of one originator group (MS-OXOMSG 2.2.1.x).
struct GroupIds {
    mapi::PropTag name, email, addrType, entryId, searchKey, smtp;
};
constexpr GroupIds kSentRepresenting = {
    mapi::tag::kSentRepresentingName,        mapi::tag::kSentRepresentingEmailAddress,
    mapi::tag::kSentRepresentingAddressType, mapi::tag::kSentRepresentingEntryId,
    mapi::tag::kSentRepresentingSearchKey,   mapi::tag::kSentRepresentingSmtpAddress};
constexpr GroupIds kSender = {mapi::tag::kSenderName,        mapi::tag::kSenderEmailAddress,
                              mapi::tag::kSenderAddressType, mapi::tag::kSenderEntryId,
                              mapi::tag::kSenderSearchKey,   mapi::tag::kSenderSmtpAddress};

void setGroup(mapi::PropertyList& p, const GroupIds& ids, const Mailbox& m) {
    const std::string name = displayNameOf(m);
    p.set(ids.name, PropValue::unicode(name));
    p.set(ids.email, PropValue::unicode(m.address));
    p.set(ids.addrType, PropValue::unicode("SMTP"));
    p.set(ids.entryId, PropValue::binary(oneOffEntryId(name, m.address)));
    p.set(ids.searchKey, PropValue::binary(smtpSearchKey(m.address)));
    p.set(ids.smtp, PropValue::unicode(m.address));
}

std::vector<Mailbox> mailboxesOf(const HeaderView& headers, std::string_view name,
                                 GMimeParserOptions* options, bool allInstances) {
    std::vector<Mailbox> out;
    if (allInstances) {
        for (const auto& raw : headers.allRaw(name)) {
            auto list = parseAddressList(raw, options, headers.undeclared());
            out.insert(out.end(), list.begin(), list.end());
        }
    } else if (auto raw = headers.firstRaw(name)) {
        out = parseAddressList(*raw, options, headers.undeclared());
    }
    return out;
}

}  // namespace

std::string displayNameOf(const Mailbox& m) {
    return m.name.empty() ? m.address : m.name;
}

void mapRecipients(const HeaderView& headers, GMimeParserOptions* options, mapi::Message& msg) {
    struct Kind {
        std::string_view header;
        std::int32_t type;  // PidTagRecipientType: 1 To, 2 Cc, 3 Bcc
        mapi::PropTag displayId;
    };
    constexpr Kind kinds[] = {{"To", 1, mapi::tag::kDisplayTo},
                              {"Cc", 2, mapi::tag::kDisplayCc},
                              {"Bcc", 3, mapi::tag::kDisplayBcc}};
    for (const auto& kind : kinds) {
        std::string display;
        for (const auto& m : mailboxesOf(headers, kind.header, options, true)) {
            const std::string name = displayNameOf(m);
            const mapi::Bytes entryId = oneOffEntryId(name, m.address);
            mapi::Recipient r;
            auto& p = r.props;
            p.set(mapi::tag::kRecipientType, PropValue::int32(kind.type));
            p.set(mapi::tag::kDisplayName, PropValue::unicode(name));
            p.set(mapi::tag::kTransmittableDisplayName, PropValue::unicode(name));
            p.set(mapi::tag::kEmailAddress, PropValue::unicode(m.address));
            p.set(mapi::tag::kAddressType, PropValue::unicode("SMTP"));
            p.set(mapi::tag::kSmtpAddress, PropValue::unicode(m.address));
            p.set(mapi::tag::kEntryId, PropValue::binary(entryId));
            p.set(mapi::tag::kRecipientEntryId, PropValue::binary(entryId));
            p.set(mapi::tag::kRecordKey, PropValue::binary(entryId));
            p.set(mapi::tag::kSearchKey, PropValue::binary(smtpSearchKey(m.address)));
            p.set(mapi::tag::kDisplayType, PropValue::int32(0));  // DT_MAILUSER
            p.set(mapi::tag::kObjectType, PropValue::int32(6));   // MAPI_MAILUSER
            p.set(mapi::tag::kSendRichInfo, PropValue::boolean(false));
            // MS-OXOMSG 2.2.3: delivered (responsibility taken) and sendable, as Outlook's
            // rows of a received mail read; they carry no order and no tracking status.
            p.set(mapi::tag::kResponsibility, PropValue::boolean(true));
            p.set(mapi::tag::kRecipientFlags, PropValue::int32(kRecipientSendable));
            msg.recipients.push_back(std::move(r));
            if (!display.empty())
                display += "; ";
            display += name;
        }
        if (!display.empty())  // Outlook stores no empty summary
            msg.props.set(kind.displayId, PropValue::unicode(display));
    }
}

void mapOriginators(const HeaderView& headers, GMimeParserOptions* options, mapi::Message& msg) {
    const auto from = mailboxesOf(headers, "From", options, false);
    if (!from.empty()) {
        setGroup(msg.props, kSentRepresenting, from.front());
        setGroup(msg.props, kSender, from.front());
    }
    const auto sender = mailboxesOf(headers, "Sender", options, false);
    if (!sender.empty())
        setGroup(msg.props, kSender, sender.front());
}

}  // namespace tolvane::mime
