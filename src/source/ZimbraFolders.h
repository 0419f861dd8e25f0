#pragma once

// Zimbra's system folders: fixed ids below 256 (Mailbox.java, FolderConstants), created with
// English names that cannot be renamed, so an id or a top-level name identifies one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::source {

enum class SystemFolder : int {
    UserRoot = 1,  // the mailbox's top, exported as USER_ROOT
    Inbox = 2,
    Trash = 3,
    Junk = 4,
    Sent = 5,
    Drafts = 6,
    Contacts = 7,
    Tags = 8,           // hidden
    Conversations = 9,  // hidden
    Calendar = 10,
    Root = 11,  // hidden, above USER_ROOT
    Notebook = 12,
    EmailedContacts = 13,
    Chats = 14,
    Tasks = 15,
    Briefcase = 16,
    Comments = 17,  // hidden
    Profile = 18,
    Unsubscribe = 19,
    // Zimbra Desktop, per account mailbox.
    NotificationMountpoints = 250,
    ErrorReports = 252,
    Archive = 253,
    Outbox = 254,  // unsent mail waiting for the next sync
};

// Item ids from here on are the user's own.
inline constexpr int kFirstUserItemId = 256;

std::optional<SystemFolder> systemFolderOfId(int id);

// The English name Zimbra creates the folder with ("Inbox", "Emailed Contacts", "Outbox").
std::string_view systemFolderName(SystemFolder folder);

// The system folder a mailbox path starts in, by the English name of its first component,
// matched without regard to case, or nullopt for a user folder. Only names Zimbra keeps for
// itself count: Zimbra Desktop's Outbox is known by its id alone, since on a server "Outbox"
// is a name any user folder may have.
std::optional<SystemFolder> systemFolderOfPath(const std::vector<std::string>& components);

}  // namespace tolvane::source
