#pragma once

#include <cstddef>
#include <string_view>

namespace tolvane::source {

// What an item of a source is: which importer takes it, or none.
enum class ItemKind { Message, Contact, Appointment, Task, Document, Folder, Tag, Other };
inline constexpr std::size_t kItemKindCount = 8;

// Zimbra's item type bytes (MailItem.Type), the .meta "type" key.
enum class ZimbraType : int {
    Folder = 1,
    SearchFolder = 2,
    Tag = 3,
    Conversation = 4,
    Message = 5,
    Contact = 6,
    Invite = 7,
    Document = 8,
    Note = 9,
    Flag = 10,
    Appointment = 11,
    VirtualConversation = 12,
    Mountpoint = 13,
    Wiki = 14,
    Task = 15,
    Chat = 16,
    Comment = 17,
    Link = 18,
    SmartFolder = 19,
};

// The kind of an item whose .meta gives its type. Search folders and mount points hold no
// exported items of their own, so they are Other, as are chats, notes and comments.
ItemKind kindOfZimbraType(int typeByte);

// The kind of an entry or file without a .meta, by its extension: .eml message, .vcf contact,
// .ics and .appt appointment, .task task; anything else is Other.
ItemKind kindOfName(std::string_view name);

// Whether Zimbra exports an item of this type with a blob entry after its .meta.
bool zimbraTypeHasBlob(int typeByte);

// "message", "contact", ... as a report names them.
std::string_view kindName(ItemKind kind);

}  // namespace tolvane::source
