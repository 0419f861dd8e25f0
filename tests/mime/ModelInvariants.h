#pragma once

// What every imported message must satisfy, whatever the input: the fuzz target aborts on a
// violation, the regression test replays crashing inputs and the seed corpus through it.

#include <cstdint>
#include <string>

#include "mapi/Message.h"
#include "mapi/Tags.h"
#include "text/Utf8.h"

namespace tolvane::mime::test {

// "" when the message is sound, else the first violation found.
inline std::string modelViolation(const mapi::Message& m, int depth = 0) {
    const auto strings = [](const mapi::PropertyList& p) -> std::string {
        for (const auto& [id, v] : p.tagged()) {
            if (v.type() != mapi::PropType::Unicode)
                continue;
            const std::string& s = v.asString();
            if (s.find('\0') != std::string::npos)
                return "NUL in string " + std::to_string(id);
            if (!text::isValidUtf8(s))
                return "invalid UTF-8 in string " + std::to_string(id);
        }
        return {};
    };
    if (depth > 32)
        return "embedding deeper than 32";
    const auto* cls = m.props.get(mapi::tag::kMessageClass);
    if (!cls || cls->asString().rfind("IPM.Note", 0) != 0)
        return "message class missing";
    for (mapi::PropTag id : {mapi::tag::kImportance, mapi::tag::kSensitivity}) {
        if (!m.props.has(id))
            return "importance or sensitivity missing";
    }
    // Every message is placed in a conversation: a header block of 22 bytes, 5 per level.
    const auto* index = m.props.get(mapi::tag::kConversationIndex);
    if (!index || index->asBytes().size() < 22)
        return "conversation index missing or shorter than its header";
    if (!m.props.has(mapi::tag::kMessageCodepage) || !m.props.has(mapi::tag::kMessageLocaleId))
        return "received-mail defaults missing";
    for (mapi::PropTag id : {mapi::tag::kMessageFlags, mapi::tag::kHasAttachments,
                             mapi::tag::kMessageSize, mapi::tag::kCreationTime}) {
        if (m.props.has(id))
            return "a property the store computes set by the import";
    }
    if (auto e = strings(m.props); !e.empty())
        return e;
    for (const auto& r : m.recipients) {
        if (auto e = strings(r.props); !e.empty())
            return "recipient: " + e;
    }
    for (const auto& a : m.attachments) {
        if (auto e = strings(a.props); !e.empty())
            return "attachment: " + e;
        const auto* method = a.props.get(mapi::tag::kAttachMethod);
        if (!method)
            return "attachment without method";
        if (method->asInt32() == mapi::tag::kAttachEmbeddedMessage) {
            if (!a.embedded)
                return "method 5 without a message";
            if (auto e = modelViolation(*a.embedded, depth + 1); !e.empty())
                return "embedded: " + e;
        } else if (!a.props.has(mapi::tag::kAttachDataBinary)) {
            return "by-value attachment without data";
        }
    }
    return {};
}

}  // namespace tolvane::mime::test
