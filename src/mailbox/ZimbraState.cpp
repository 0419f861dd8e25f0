#include "mailbox/ZimbraState.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "mailbox/FolderRoute.h"
#include "mapi/Tags.h"

namespace tolvane::mailbox {

namespace {

using mapi::FileTime;
using mapi::PropValue;
using source::ZimbraFlag;
namespace tag = mapi::tag;
namespace named = mapi::named;

// MS-OXOFLAG 2.2.1: flagged for follow-up, red, a time flag without dates.
constexpr std::int32_t kFollowupFlagged = 2;
constexpr std::int32_t kFollowupIconRed = 6;
constexpr std::int32_t kToDoTimeFlagged = 0x1;
// What Outlook writes for an item flagged with no date in its to-do list's order.
constexpr const char* kToDoSubOrdinalDefault = "5555555";
constexpr const char* kFlagRequestFollowUp = "Follow up";

std::int32_t int32Of(const mapi::PropertyList& props, mapi::PropTag id) {
    const auto* value = props.get(id);
    return value ? value->asInt32() : 0;
}

}  // namespace

void applyStateWithoutRecord(mapi::Message& msg) {
    msg.props.set(tag::kMessageFlags,
                  PropValue::int32(int32Of(msg.props, tag::kMessageFlags) | tag::kMsgFlagRead));
}

ZimbraState::ZimbraState(const source::Item& item) : meta_(item.meta.value()) {
    const auto route = routeOfMessage(item);
    draft_ = meta_.has(ZimbraFlag::Draft) || (route && route->base == OutlookFolder::Drafts);
}

mime::OutsideFacts ZimbraState::outsideFacts(std::optional<std::int64_t> fileTime) const {
    mime::OutsideFacts facts;
    facts.fileTime = fileTime;
    if (meta_.date > 0)
        facts.receivedTime = meta_.date;
    if (meta_.has(ZimbraFlag::HighPriority))
        facts.importance = 2;
    else if (meta_.has(ZimbraFlag::LowPriority))
        facts.importance = 0;
    return facts;
}

void ZimbraState::applyTo(mapi::Message& msg) const {
    applyReadAndDraft(msg);
    if (meta_.has(ZimbraFlag::Flagged))
        applyFollowUpFlag(msg);
    applyLastVerb(msg);
    applyCategories(msg);
}

void ZimbraState::applyReadAndDraft(mapi::Message& msg) const {
    std::int32_t flags = int32Of(msg.props, tag::kMessageFlags);
    flags &= ~(tag::kMsgFlagRead | tag::kMsgFlagEverRead | tag::kMsgFlagUnsent);
    if (!meta_.isUnread())
        flags |= tag::kMsgFlagRead | tag::kMsgFlagEverRead;
    // Only a draft is unsent: Outlook opens an unsent message in its editor.
    if (draft_) {
        flags |= tag::kMsgFlagUnsent;
        msg.props.set(tag::kIconIndex, PropValue::int32(kIconUnsent));
    }
    msg.props.set(tag::kMessageFlags, PropValue::int32(flags));
}

// The full time-flag set (MS-OXOFLAG 3.1.4.1.3), so the message is in the to-do list too. A
// flag the headers already set keeps its request text.
void ZimbraState::applyFollowUpFlag(mapi::Message& msg) const {
    auto& p = msg.props;
    p.set(tag::kFlagStatus, PropValue::int32(kFollowupFlagged));
    p.set(tag::kFollowupIcon, PropValue::int32(kFollowupIconRed));
    p.set(tag::kToDoItemFlags,
          PropValue::int32(int32Of(p, tag::kToDoItemFlags) | kToDoTimeFlagged));
    if (!p.getNamed(named::kFlagRequest))
        p.setNamed(named::kFlagRequest, PropValue::unicode(kFlagRequestFollowUp));
    const auto* subject = p.get(tag::kSubject);
    p.setNamed(named::kToDoTitle, PropValue::unicode(subject ? subject->asString() : ""));
    const auto* delivered = p.get(tag::kMessageDeliveryTime);
    p.setNamed(named::kToDoOrdinalDate,
               delivered ? *delivered : PropValue::time(FileTime::fromUnixSeconds(meta_.date)));
    p.setNamed(named::kToDoSubOrdinal, PropValue::unicode(kToDoSubOrdinalDefault));
    p.setNamed(named::kTaskStatus, PropValue::int32(0));
    p.setNamed(named::kTaskComplete, PropValue::boolean(false));
    p.setNamed(named::kPercentComplete, PropValue::floating64(0.0));
}

// Zimbra keeps no order of its verbs and cannot tell a reply from a reply to all: replied wins
// over forwarded, and a reply is to the sender. It keeps no time either: the last change's.
void ZimbraState::applyLastVerb(mapi::Message& msg) const {
    const bool replied = meta_.has(ZimbraFlag::Replied);
    if (!replied && !meta_.has(ZimbraFlag::Forwarded))
        return;
    msg.props.set(tag::kLastVerbExecuted,
                  PropValue::int32(replied ? kVerbReplyToSender : kVerbForward));
    const std::int64_t when = meta_.changeDate > 0 ? meta_.changeDate : meta_.date;
    msg.props.set(tag::kLastVerbExecutionTime, PropValue::time(FileTime::fromUnixSeconds(when)));
    if (!draft_)
        msg.props.set(tag::kIconIndex, PropValue::int32(replied ? kIconReplied : kIconForwarded));
}

// Tags become categories after those the message's Keywords header gave, each once.
void ZimbraState::applyCategories(mapi::Message& msg) const {
    if (meta_.tagNames.empty())
        return;
    std::vector<std::string> words;
    if (const auto* existing = msg.props.getNamed(named::kKeywords))
        words = existing->asStrings();
    for (const auto& tagName : meta_.tagNames) {
        if (!tagName.empty() && std::find(words.begin(), words.end(), tagName) == words.end())
            words.push_back(tagName);
    }
    msg.props.setNamed(named::kKeywords, PropValue::mvUnicode(std::move(words)));
}

}  // namespace tolvane::mailbox
