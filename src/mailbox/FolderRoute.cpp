#include "mailbox/FolderRoute.h"

#include "source/ItemKind.h"
#include "source/ZimbraFolders.h"
#include "source/ZimbraMetadata.h"

namespace tolvane::mailbox {

namespace {

using source::SystemFolder;

std::optional<OutlookFolder> outlookFolderOf(SystemFolder folder) {
    switch (folder) {
        case SystemFolder::Inbox:
            return OutlookFolder::Inbox;
        case SystemFolder::Sent:
            return OutlookFolder::SentItems;
        case SystemFolder::Drafts:
        case SystemFolder::Outbox:
            return OutlookFolder::Drafts;
        case SystemFolder::Trash:
            return OutlookFolder::DeletedItems;
        case SystemFolder::Junk:
            return OutlookFolder::JunkEmail;
        case SystemFolder::Contacts:
            return OutlookFolder::Contacts;
        case SystemFolder::Calendar:
            return OutlookFolder::Calendar;
        case SystemFolder::Tasks:
            return OutlookFolder::Tasks;
        default:
            return std::nullopt;
    }
}

// Folders Zimbra keeps for itself and never shows, or that hold no items of their own.
bool isHidden(SystemFolder folder) {
    switch (folder) {
        case SystemFolder::UserRoot:
        case SystemFolder::Tags:
        case SystemFolder::Conversations:
        case SystemFolder::Root:
        case SystemFolder::Comments:
        case SystemFolder::Profile:
        case SystemFolder::NotificationMountpoints:
            return true;
        default:
            return false;
    }
}

// What the system folders of contacts, appointments, tasks and documents hold; nullopt for
// documents (and old notebooks), which Outlook has no place for, and for every other folder.
std::optional<std::optional<FolderContents>> contentsOfSystem(SystemFolder folder) {
    switch (folder) {
        case SystemFolder::Contacts:
        case SystemFolder::EmailedContacts:
            return FolderContents::Contacts;
        case SystemFolder::Calendar:
            return FolderContents::Appointments;
        case SystemFolder::Tasks:
            return FolderContents::Tasks;
        case SystemFolder::Briefcase:
        case SystemFolder::Notebook:
            return std::optional<FolderContents>();
        default:
            return std::nullopt;
    }
}

// What a folder of that default view holds; nullopt for documents and the views Outlook has
// no folder for.
std::optional<FolderContents> contentsOfView(int view) {
    switch (static_cast<source::ZimbraType>(view)) {
        case source::ZimbraType::Message:
            return FolderContents::Mail;
        case source::ZimbraType::Contact:
            return FolderContents::Contacts;
        case source::ZimbraType::Appointment:
            return FolderContents::Appointments;
        case source::ZimbraType::Task:
            return FolderContents::Tasks;
        default:
            return std::nullopt;
    }
}

// The default view of a folder the .meta's metadata names; nullopt when it names none or
// cannot be read, which counts as mail, the view of most folders.
std::optional<int> viewOf(const source::Meta& meta) {
    try {
        return source::folderViewOf(source::metadataOf(meta));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

FolderRoute routeOfMailboxPath(const std::vector<std::string>& components, int folderId,
                               FolderContents contents) {
    FolderRoute route;
    route.contents = contents;
    const auto byId = source::systemFolderOfId(folderId);
    std::optional<OutlookFolder> base = byId ? outlookFolderOf(*byId) : std::nullopt;
    if (!base) {
        if (const auto byName = source::systemFolderOfPath(components))
            base = outlookFolderOf(*byName);
    }
    if (base && !components.empty()) {
        route.base = *base;
        route.below.assign(components.begin() + 1, components.end());
    } else if (base) {
        route.base = *base;  // the folder itself, known by its id, with no path given
    } else {
        route.below = components;
    }
    return route;
}

std::optional<FolderRoute> routeOfMessage(const source::Item& item) {
    const bool hasPath = item.meta && item.meta->path;
    if (!hasPath && item.entry.empty())
        return std::nullopt;
    return routeOfMailboxPath(source::folderPathOf(item).components,
                              item.meta ? item.meta->folderId : 0);
}

FolderRoute routeOfItem(const source::Item& item, FolderContents contents) {
    if (auto route = routeOfMessage(item)) {
        route->contents = contents;
        return *route;
    }
    FolderRoute route;
    route.contents = contents;
    switch (contents) {
        case FolderContents::Contacts:
            route.base = OutlookFolder::Contacts;
            break;
        case FolderContents::Appointments:
            route.base = OutlookFolder::Calendar;
            break;
        case FolderContents::Tasks:
            route.base = OutlookFolder::Tasks;
            break;
        case FolderContents::Mail:
            break;
    }
    return route;
}

std::optional<FolderRoute> routeOfFolder(const source::Item& item) {
    if (item.kind != source::ItemKind::Folder || !item.meta)
        return std::nullopt;
    const source::Meta& meta = *item.meta;
    const auto system = source::systemFolderOfId(meta.id);
    if (system && isHidden(*system))
        return std::nullopt;
    const auto components = source::folderPathOf(item).components;
    if (components.empty())
        return std::nullopt;
    std::optional<FolderContents> contents;
    if (const auto ofSystem = system ? contentsOfSystem(*system) : std::nullopt) {
        contents = *ofSystem;
    } else if (const auto view = viewOf(meta)) {
        contents = contentsOfView(*view);
    } else if (const auto top = source::systemFolderOfPath(components)) {
        // Without a view of its own, a folder below the contacts, the calendar, the tasks or
        // the briefcase is taken to hold what they hold.
        contents = contentsOfSystem(*top).value_or(FolderContents::Mail);
    } else {
        contents = FolderContents::Mail;
    }
    if (!contents)
        return std::nullopt;
    return routeOfMailboxPath(components, meta.id, *contents);
}

}  // namespace tolvane::mailbox
