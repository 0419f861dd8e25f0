#include "mime/Envelope.h"

#include <strings.h>

#include <string>
#include <vector>

#include "mapi/Tags.h"
#include "mime/Base64.h"
#include "mime/ConversationIndex.h"
#include "mime/Dates.h"
#include "mime/EntryIds.h"
#include "mime/HeaderText.h"
#include "mime/LanguageIds.h"
#include "mime/Recipients.h"
#include "mime/SubjectRules.h"

namespace tolvane::mime {

namespace {

using mapi::FileTime;
using mapi::PropValue;

bool startsWithNoCase(std::string_view s, std::string_view word) {
    return s.size() >= word.size() && strncasecmp(s.data(), word.data(), word.size()) == 0;
}

bool equalsNoCase(std::string_view s, std::string_view word) {
    return s.size() == word.size() && startsWithNoCase(s, word);
}

void mapSubject(const HeaderView& h, mapi::Message& msg) {
    const std::string subject = h.text("Subject").value_or("");
    const SubjectParts parts = splitSubject(subject);
    msg.props.set(mapi::tag::kSubject, PropValue::unicode(subject));
    msg.props.set(mapi::tag::kSubjectPrefix, PropValue::unicode(parts.prefix));
    msg.props.set(mapi::tag::kNormalizedSubject, PropValue::unicode(parts.normalized));
    // MS-OXCMAIL 2.2.3.2.7: Thread-Topic, else the normalized subject.
    const auto topic = h.text("Thread-Topic");
    msg.props.set(mapi::tag::kConversationTopic,
                  PropValue::unicode(topic ? *topic : parts.normalized));
}

// PidTagConversationIndex on every message: Thread-Index when it holds a header block, else
// made from the thread's ids; the GUID of its header names the conversation (MS-OXOMSG
// 2.2.1.2, hence the tracking flag).
void mapThreading(const HeaderView& h, mapi::Message& msg) {
    mapi::Bytes index;
    if (auto raw = h.firstRaw("Thread-Index")) {
        if (auto bytes = base64Decode(unfold(*raw)); bytes && bytes->size() >= 22)
            index.assign(bytes->begin(), bytes->end());
    }
    if (index.empty()) {
        ThreadIds ids;
        const auto firstId = [&](const char* header) -> std::optional<std::string> {
            auto raw = h.firstRaw(header);
            if (!raw)
                return std::nullopt;
            auto found = messageIds(*raw);
            return found.empty() ? std::nullopt : std::optional(std::move(found.front()));
        };
        if (auto raw = h.firstRaw("References"))
            ids.references = messageIds(*raw);
        ids.inReplyTo = firstId("In-Reply-To");
        ids.messageId = firstId("Message-ID");
        if (!ids.messageId) {
            for (const char* name : {"Date", "From", "Subject"})
                ids.withoutId += unfold(h.firstRaw(name).value_or("")) + "\n";
        }
        index = conversationIndex(ids);
    }
    msg.props.set(mapi::tag::kConversationIndex, PropValue::binary(std::move(index)));
    msg.props.set(mapi::tag::kConversationIndexTracking, PropValue::boolean(true));
}

std::optional<std::int64_t> firstReceived(const HeaderView& h) {
    auto raw = h.firstRaw("Received");
    return raw ? parseReceivedDate(*raw) : std::nullopt;
}

void mapDates(const HeaderView& h, const EnvelopeContext& ctx, mapi::Message& msg) {
    std::optional<std::int64_t> zimbra;
    if (auto raw = h.firstRaw("X-Zimbra-Received"))
        zimbra = parseZimbraReceived(*raw);
    const auto received = firstReceived(h);
    std::optional<std::int64_t> sent;
    if (auto raw = h.firstRaw("Date")) {
        // A date without a zone is in the sender's: the zone of the first Received line written.
        const auto trace = h.allRaw("Received");
        const auto zone = trace.empty() ? std::nullopt : receivedZone(trace.back());
        sent = parseDate(*raw, zone.value_or("+0000"));
    }
    // Never "now" for an archive: Received, then X-Zimbra-Received, then the file's time.
    if (!sent)
        sent = received;
    if (!sent)
        sent = zimbra;
    if (!sent)
        sent = ctx.outside.fileTime;
    if (sent)
        msg.props.set(mapi::tag::kClientSubmitTime,
                      PropValue::time(FileTime::fromUnixSeconds(*sent)));
    std::optional<std::int64_t> delivered = zimbra ? zimbra : received;
    if (!delivered)
        delivered = ctx.outside.receivedTime;
    if (!delivered)
        delivered = sent;
    if (delivered) {
        msg.props.set(mapi::tag::kMessageDeliveryTime,
                      PropValue::time(FileTime::fromUnixSeconds(*delivered)));
    }
}

void setText(const HeaderView& h, std::string_view header, mapi::PropTag id, mapi::Message& msg) {
    if (auto v = h.text(header))
        msg.props.set(id, PropValue::unicode(*v));
}

void mapIdentifiers(const HeaderView& h, mapi::Message& msg) {
    setText(h, "Message-ID", mapi::tag::kInternetMessageId, msg);
    setText(h, "In-Reply-To", mapi::tag::kInReplyToId, msg);
    setText(h, "References", mapi::tag::kInternetReferences, msg);
}

// MS-OXCMAIL 2.2.3.2.5: Importance wins, then Priority, X-Priority, X-MSMail-Priority;
// nullopt when none of them says.
std::optional<std::int32_t> importanceOf(const HeaderView& h) {
    if (auto v = h.text("Importance")) {
        if (equalsNoCase(*v, "low"))
            return 0;
        if (equalsNoCase(*v, "high"))
            return 2;
        if (equalsNoCase(*v, "normal"))
            return 1;
    }
    if (auto v = h.text("Priority")) {
        if (equalsNoCase(*v, "non-urgent"))
            return 0;
        if (equalsNoCase(*v, "urgent"))
            return 2;
        if (equalsNoCase(*v, "normal"))
            return 1;
    }
    if (auto v = h.text("X-Priority"); v && !v->empty()) {
        switch ((*v)[0]) {
            case '1':
            case '2':
                return 2;
            case '3':
                return 1;
            case '4':
            case '5':
                return 0;
            default:
                break;
        }
    }
    if (auto v = h.text("X-MSMail-Priority")) {
        if (equalsNoCase(*v, "low"))
            return 0;
        if (equalsNoCase(*v, "high"))
            return 2;
        if (equalsNoCase(*v, "normal"))
            return 1;
    }
    return std::nullopt;
}

std::int32_t sensitivityOf(const HeaderView& h) {
    if (auto v = h.text("Sensitivity")) {
        if (equalsNoCase(*v, "personal"))
            return 1;
        if (equalsNoCase(*v, "private"))
            return 2;
        if (equalsNoCase(*v, "company-confidential"))
            return 3;
    }
    return 0;
}

void mapReceipts(const HeaderView& h, GMimeParserOptions* options, mapi::Message& msg) {
    if (auto raw = h.firstRaw("Disposition-Notification-To")) {
        msg.props.set(mapi::tag::kReadReceiptRequested, PropValue::boolean(true));
        const auto list = parseAddressList(*raw, options, h.undeclared());
        if (!list.empty()) {
            const auto& m = list.front();
            const std::string name = displayNameOf(m);
            msg.props.set(mapi::tag::kReadReceiptEntryId,
                          PropValue::binary(oneOffEntryId(name, m.address)));
            msg.props.set(mapi::tag::kReadReceiptAddressType, PropValue::unicode("SMTP"));
            msg.props.set(mapi::tag::kReadReceiptEmailAddress, PropValue::unicode(m.address));
            msg.props.set(mapi::tag::kReadReceiptName, PropValue::unicode(name));
            msg.props.set(mapi::tag::kReadReceiptSearchKey,
                          PropValue::binary(smtpSearchKey(m.address)));
        }
    }
    if (h.firstRaw("Return-Receipt-To")) {
        msg.props.set(mapi::tag::kOriginatorDeliveryReportRequested, PropValue::boolean(true));
    }
}

void mapReplyTo(const HeaderView& h, GMimeParserOptions* options, mapi::Message& msg) {
    auto raw = h.firstRaw("Reply-To");
    if (!raw)
        return;
    const auto list = parseAddressList(*raw, options, h.undeclared());
    if (list.empty())
        return;
    std::vector<mapi::Bytes> ids;
    std::string names;
    for (const auto& m : list) {
        ids.push_back(oneOffEntryId(displayNameOf(m), m.address));
        if (!names.empty())
            names += ";";
        names += displayNameOf(m);
    }
    msg.props.set(mapi::tag::kReplyRecipientEntries, PropValue::binary(flatEntryList(ids)));
    msg.props.set(mapi::tag::kReplyRecipientNames, PropValue::unicode(names));
}

void mapLists(const HeaderView& h, mapi::Message& msg) {
    const struct {
        std::string_view name, xname;
        mapi::PropTag id;
    } lists[] = {{"List-Help", "X-List-Help", mapi::tag::kListHelp},
                 {"List-Subscribe", "X-List-Subscribe", mapi::tag::kListSubscribe},
                 {"List-Unsubscribe", "X-List-Unsubscribe", mapi::tag::kListUnsubscribe}};
    for (const auto& l : lists) {
        auto v = h.text(l.name);
        if (!v)
            v = h.text(l.xname);
        if (v)
            msg.props.set(l.id, PropValue::unicode(*v));
    }
}

void mapCategories(const HeaderView& h, mapi::Message& msg) {
    auto v = h.text("Keywords");
    if (!v)
        return;
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start <= v->size()) {
        std::size_t comma = v->find(',', start);
        if (comma == std::string::npos)
            comma = v->size();
        std::string_view w = std::string_view(*v).substr(start, comma - start);
        while (!w.empty() && (w.front() == ' ' || w.front() == '\t'))
            w.remove_prefix(1);
        while (!w.empty() && (w.back() == ' ' || w.back() == '\t'))
            w.remove_suffix(1);
        if (!w.empty())
            words.emplace_back(w);
        start = comma + 1;
    }
    if (words.empty())
        return;
    msg.props.setNamed(mapi::named::kKeywords, PropValue::mvUnicode(std::move(words)));
}

// MS-OXCMAIL 2.2.3.2.16: X-Message-Flag flags the message for follow-up.
void mapFollowUp(const HeaderView& h, mapi::Message& msg) {
    auto v = h.text("X-Message-Flag");
    if (!v)
        return;
    msg.props.setNamed(mapi::named::kFlagRequest, PropValue::unicode(*v));
    msg.props.set(mapi::tag::kFlagStatus, PropValue::int32(2));
    msg.props.set(mapi::tag::kToDoItemFlags, PropValue::int32(8));
    const auto* subject = msg.props.get(mapi::tag::kSubject);
    msg.props.setNamed(mapi::named::kToDoTitle,
                       PropValue::unicode(subject ? subject->asString() : std::string()));
    msg.props.setNamed(mapi::named::kTaskStatus, PropValue::int32(0));
    msg.props.setNamed(mapi::named::kTaskComplete, PropValue::boolean(false));
    msg.props.setNamed(mapi::named::kPercentComplete, PropValue::floating64(0.0));
}

void mapInternetHeaderNames(const HeaderView& h, mapi::Message& msg) {
    if (auto v = h.text("Content-Class"))
        msg.props.setNamed(mapi::named::kContentClass, PropValue::unicode(*v));
    auto lang = h.text("Accept-Language");
    if (!lang)
        lang = h.text("X-Accept-Language");
    if (lang) {
        msg.props.setNamed(mapi::named::kAcceptLanguage, PropValue::unicode(*lang));
    }
    if (auto v = h.text("Content-Language")) {
        if (auto lcid = lcidOfContentLanguage(*v)) {
            msg.props.set(mapi::tag::kMessageLocaleId, PropValue::int32(*lcid));
        }
    }
}

}  // namespace

void setImportance(std::optional<std::int32_t> fromHeaders, const OutsideFacts& outside,
                   mapi::Message& msg) {
    if (fromHeaders) {
        msg.props.set(mapi::tag::kImportance, PropValue::int32(*fromHeaders));
    } else if (outside.importance) {
        msg.props.set(mapi::tag::kImportance, PropValue::int32(*outside.importance));
        msg.props.set(mapi::tag::kPriority, PropValue::int32(*outside.importance - 1));
    } else {
        msg.props.set(mapi::tag::kImportance, PropValue::int32(1));
    }
}

void mapEnvelope(const HeaderView& h, const EnvelopeContext& ctx, mapi::Message& msg) {
    mapSubject(h, msg);
    mapThreading(h, msg);
    mapOriginators(h, ctx.options, msg);
    mapRecipients(h, ctx.options, msg);
    mapReplyTo(h, ctx.options, msg);
    mapDates(h, ctx, msg);
    mapIdentifiers(h, msg);
    setImportance(importanceOf(h), ctx.outside, msg);
    msg.props.set(mapi::tag::kSensitivity, PropValue::int32(sensitivityOf(h)));
    mapReceipts(h, ctx.options, msg);
    mapLists(h, msg);
    mapCategories(h, msg);
    mapFollowUp(h, msg);
    mapInternetHeaderNames(h, msg);
}

}  // namespace tolvane::mime
