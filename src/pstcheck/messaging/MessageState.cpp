#include "pstcheck/messaging/MessageState.h"

namespace tolvane::pstcheck {
namespace {

constexpr std::uint32_t kFlagStatus = 0x10900003, kFollowupIcon = 0x10950003,
                        kToDoItemFlags = 0x0E2B0003, kIconIndex = 0x10800003,
                        kLastVerbExecuted = 0x10810003, kLastVerbExecutionTime = 0x10820040;
constexpr std::uint32_t kFollowupComplete = 1, kFollowupFlagged = 2;
constexpr std::uint32_t kTodoTimeFlagged = 0x1;
constexpr std::uint32_t kRedIcon = 6;
// NOTEIVERB values and the envelopes Outlook draws for them.
constexpr std::uint32_t kReplyToSender = 102, kReplyToAll = 103, kForward = 104;
constexpr std::uint32_t kIconReplied = 0x105, kIconForwarded = 0x106;

void checkFlag(const PropertyContext& pc, const std::optional<std::string>& messageClass,
               const std::string& where, Report& r) {
    const auto status = pc.int32(kFlagStatus);
    const auto todo = pc.int32(kToDoItemFlags);
    const auto icon = pc.int32(kFollowupIcon);
    if (status && *status != kFollowupComplete && *status != kFollowupFlagged) {
        r.add("MESSAGE", "PidTagFlagStatus", "is " + std::to_string(*status) + ", not 1 or 2",
              where);
    }
    if (status && messageClass && messageClass->rfind("IPM.Schedule.Meeting", 0) == 0) {
        r.add("MESSAGE", "PidTagFlagStatus", "set on a meeting object (" + *messageClass + ")",
              where);
    }
    if (todo && (*todo & kTodoTimeFlagged) != 0) {
        if (!status) {
            r.add("MESSAGE", "PidTagToDoItemFlags", "a time flag without PidTagFlagStatus", where);
        } else if (*status == kFollowupFlagged && icon != kRedIcon) {
            r.add("MESSAGE", "PidTagFollowupIcon",
                  (icon ? "is " + std::to_string(*icon) : std::string("is absent")) +
                      " on a time-flagged message, not 6",
                  where);
        }
    }
}

void checkVerb(const PropertyContext& pc, const std::string& where, Report& r) {
    const auto verb = pc.int32(kLastVerbExecuted);
    if (!verb) {
        return;
    }
    if (!pc.bytes(kLastVerbExecutionTime)) {
        r.add("MESSAGE", "PidTagLastVerbExecutionTime",
              "absent beside last verb " + std::to_string(*verb), where);
    }
    const auto icon = pc.int32(kIconIndex);
    std::optional<std::uint32_t> expected;
    if (*verb == kReplyToSender || *verb == kReplyToAll) {
        expected = kIconReplied;
    } else if (*verb == kForward) {
        expected = kIconForwarded;
    }
    if (!icon) {
        r.add("MESSAGE", "PidTagIconIndex", "absent beside last verb " + std::to_string(*verb),
              where);
    } else if (expected && *icon != *expected) {
        r.add(
            "MESSAGE", "PidTagIconIndex",
            "is " + hex(*icon) + " after verb " + std::to_string(*verb) + ", not " + hex(*expected),
            where);
    }
}

}  // namespace

void checkMessageState(const PropertyContext& message,
                       const std::optional<std::string>& messageClass, const std::string& where,
                       Report& report) {
    checkFlag(message, messageClass, where, report);
    checkVerb(message, where, report);
}

}  // namespace tolvane::pstcheck
