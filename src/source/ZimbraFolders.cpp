#include "source/ZimbraFolders.h"

#include <array>
#include <utility>

#include "source/NameText.h"

namespace tolvane::source {

namespace {

constexpr std::array<std::pair<SystemFolder, std::string_view>, 23> kNames{{
    {SystemFolder::UserRoot, "USER_ROOT"},
    {SystemFolder::Inbox, "Inbox"},
    {SystemFolder::Trash, "Trash"},
    {SystemFolder::Junk, "Junk"},
    {SystemFolder::Sent, "Sent"},
    {SystemFolder::Drafts, "Drafts"},
    {SystemFolder::Contacts, "Contacts"},
    {SystemFolder::Tags, "Tags"},
    {SystemFolder::Conversations, "Conversations"},
    {SystemFolder::Calendar, "Calendar"},
    {SystemFolder::Root, "ROOT"},
    {SystemFolder::Notebook, "Notebook"},
    {SystemFolder::EmailedContacts, "Emailed Contacts"},
    {SystemFolder::Chats, "Chats"},
    {SystemFolder::Tasks, "Tasks"},
    {SystemFolder::Briefcase, "Briefcase"},
    {SystemFolder::Comments, "Comments"},
    {SystemFolder::Profile, "Profile"},
    {SystemFolder::Unsubscribe, "Unsubscribe"},
    {SystemFolder::NotificationMountpoints, "Notification Mountpoints"},
    {SystemFolder::ErrorReports, "Error Reports"},
    {SystemFolder::Archive, "Archive"},
    {SystemFolder::Outbox, "Outbox"},
}};

// The system folders directly under the mailbox's top whose names no user folder can take.
constexpr std::array<SystemFolder, 11> kReservedTopNames{
    SystemFolder::Inbox,    SystemFolder::Trash,           SystemFolder::Junk,
    SystemFolder::Sent,     SystemFolder::Drafts,          SystemFolder::Contacts,
    SystemFolder::Calendar, SystemFolder::EmailedContacts, SystemFolder::Chats,
    SystemFolder::Tasks,    SystemFolder::Briefcase,
};

}  // namespace

std::optional<SystemFolder> systemFolderOfId(int id) {
    for (const auto& [folder, name] : kNames) {
        if (static_cast<int>(folder) == id)
            return folder;
    }
    return std::nullopt;
}

std::string_view systemFolderName(SystemFolder folder) {
    for (const auto& [f, name] : kNames) {
        if (f == folder)
            return name;
    }
    return {};
}

std::optional<SystemFolder> systemFolderOfPath(const std::vector<std::string>& components) {
    if (components.empty())
        return std::nullopt;
    for (const SystemFolder folder : kReservedTopNames) {
        if (equalsNoCase(components.front(), systemFolderName(folder)))
            return folder;
    }
    return std::nullopt;
}

}  // namespace tolvane::source
