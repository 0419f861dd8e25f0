#pragma once

// Messages of the model for the PST writer's benchmarks, as an import makes them: subject,
// body, flags, sender, a time, one recipient, and an attachment when asked.

#include <cstdint>
#include <string>

#include "mapi/Message.h"
#include "mapi/Tags.h"

namespace tolvane::bench {

inline mapi::Message benchMessage(int i, std::size_t bodyChars, std::size_t attachmentBytes = 0) {
    using mapi::PropValue;
    mapi::Message m;
    m.props.set(mapi::tag::kMessageClass, PropValue::unicode("IPM.Note"));
    m.props.set(mapi::tag::kSubject, PropValue::unicode("Message number " + std::to_string(i)));
    std::string body;
    body.reserve(bodyChars + 64);
    while (body.size() < bodyChars) {
        body += "The quick brown fox jumps over the lazy dog " + std::to_string(i) + ".\r\n";
    }
    body.resize(bodyChars);
    m.props.set(mapi::tag::kBody, PropValue::unicode(std::move(body)));
    m.props.set(mapi::tag::kMessageFlags, PropValue::int32(i % 2));
    m.props.set(mapi::tag::kSenderName, PropValue::unicode("Ann Sender"));
    m.props.set(mapi::tag::kClientSubmitTime,
                PropValue::time(mapi::FileTime::fromUnixSeconds(1700000000 + i)));
    mapi::Recipient to;
    to.props.set(mapi::tag::kRecipientType, PropValue::int32(1));
    to.props.set(mapi::tag::kDisplayName, PropValue::unicode("Bob Receiver"));
    to.props.set(mapi::tag::kEmailAddress, PropValue::unicode("bob@example.org"));
    m.recipients.push_back(std::move(to));
    if (attachmentBytes > 0) {
        mapi::Attachment a;
        a.props.set(mapi::tag::kAttachMethod, PropValue::int32(mapi::tag::kAttachByValue));
        a.props.set(mapi::tag::kAttachLongFilename, PropValue::unicode("file.bin"));
        mapi::Bytes data(attachmentBytes);
        std::uint32_t x = static_cast<std::uint32_t>(i) * 2654435761u + 1;
        for (auto& b : data) {
            x = x * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(x >> 24);
        }
        a.props.set(mapi::tag::kAttachDataBinary, PropValue::binary(std::move(data)));
        m.attachments.push_back(std::move(a));
        m.props.set(mapi::tag::kMessageFlags,
                    PropValue::int32((i % 2) | mapi::tag::kMsgFlagHasAttach));
    }
    return m;
}

}  // namespace tolvane::bench
