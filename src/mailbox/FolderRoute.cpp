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

// System folders of contacts, appointments, tasks and documents.
bool holdsNoMail(SystemFolder folder) {
    switch (folder) {
        case SystemFolder::Contacts:
        case SystemFolder::EmailedContacts:
        case SystemFolder::Calendar:
        case SystemFolder::Tasks:
        case SystemFolder::Briefcase:
        case SystemFolder::Notebook:
            return true;
        default:
            return false;
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

FolderRoute routeOfMailboxPath(const std::vector<std::string>& components, int folderId) {
    FolderRoute route;
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

std::optional<FolderRoute> routeOfFolder(const source::Item& item) {
    if (item.kind != source::ItemKind::Folder || !item.meta)
        return std::nullopt;
    const source::Meta& meta = *item.meta;
    if (const auto system = source::systemFolderOfId(meta.id)) {
        if (isHidden(*system) || holdsNoMail(*system))
            return std::nullopt;
    }
    const auto components = source::folderPathOf(item).components;
    if (components.empty())
        return std::nullopt;
    if (const auto view = viewOf(meta))
        return *view == static_cast<int>(source::ZimbraType::Message)
                   ? std::optional(routeOfMailboxPath(components, meta.id))
                   : std::nullopt;
    // Without a view of its own, a folder below the contacts, the calendar, the tasks or the
    // briefcase is taken to hold what they hold.
    if (const auto top = source::systemFolderOfPath(components); top && holdsNoMail(*top))
        return std::nullopt;
    return routeOfMailboxPath(components, meta.id);
}

}  // namespace tolvane::mailbox
