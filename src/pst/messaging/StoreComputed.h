#pragma once

// What a store computes as it saves a message, a recipient row or an attachment, rather than
// taking it from the client (MS-OXCMSG 2.2.1, 2.2.2): the default class, the message flags'
// has-attachment bit and the read bit of an attached message, the status, the creation and
// modification times, the search key, the recipient row's object and display types, and the
// sizes. The one place these are decided; MessageWriter applies it to every message it
// writes, attached ones included.

#include <cstdint>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include "mapi/Message.h"
#include "mapi/PropTag.h"

namespace tolvane::pst::messaging {

// An object's properties as they are written: (id, value), values pointing into the object
// or into `made`, which holds what the store made and lives as long as the list.
struct WrittenProps {
    WrittenProps() = default;
    // Moved, never copied: a copy's pointers would still point into the original's `made`.
    // With copying ruled out, a growing vector of these moves them too (deque's move may throw).
    WrittenProps(WrittenProps&&) = default;
    WrittenProps& operator=(WrittenProps&&) = default;
    WrittenProps(const WrittenProps&) = delete;
    WrittenProps& operator=(const WrittenProps&) = delete;

    std::vector<std::pair<std::uint16_t, const mapi::PropValue*>> props;
    std::deque<mapi::PropValue> made;

    const mapi::PropValue* find(mapi::PropTag tag) const;
    // Adds a store-made value unless the object has one of that tag.
    void addDefault(mapi::PropTag tag, mapi::PropValue value);
    // Puts a store-made value in the place of whatever the object has.
    void setComputed(mapi::PropTag tag, mapi::PropValue value);
    void erase(std::uint16_t id);
};

class StoreComputed {
  public:
    StoreComputed();

    // `attached`: the message is the content of another message's attachment (method 5).
    void completeMessage(const mapi::Message& message, bool attached, WrittenProps& out);
    void completeRecipient(WrittenProps& out) const;
    // `messageCreated`: the creation time given to the message that holds the attachment.
    void completeAttachment(mapi::FileTime messageCreated, WrittenProps& out) const;

    // PidTagCreationTime as completeMessage() set it.
    static mapi::FileTime creationTime(const WrittenProps& message);
    // PidTagMessageSize and PidTagAttachSize: every byte of the object's node, its heap and
    // its subnodes, as Outlook counts them; clamped to the property's range.
    static std::int32_t storedSize(std::uint64_t nodeBytes);

  private:
    std::mt19937_64 random_;
};

}  // namespace tolvane::pst::messaging
