#pragma once

// Where a Zimbra item goes in the PST: the one placement rule. Zimbra's system folders (mail,
// contacts, calendar, tasks) land in Outlook's own special folders, their subfolders below them,
// every other folder under the top of the visible tree with its real name. A route says what
// its folder holds, so a folder made for it gets the class Outlook shows it by.

#include <optional>
#include <string>
#include <vector>

#include "source/FolderPath.h"
#include "source/Item.h"

namespace tolvane::mailbox {

// The folders of a PST a route starts at.
enum class OutlookFolder {
    IpmSubtree,
    Inbox,
    SentItems,
    Drafts,
    DeletedItems,
    JunkEmail,
    Contacts,
    Calendar,
    Tasks
};

// What the folders a route makes hold: IPF.Note, IPF.Contact, IPF.Appointment, IPF.Task.
enum class FolderContents { Mail, Contacts, Appointments, Tasks };

struct FolderRoute {
    OutlookFolder base = OutlookFolder::IpmSubtree;
    std::vector<std::string> below;  // the folders under the base, outermost first
    FolderContents contents = FolderContents::Mail;

    friend bool operator==(const FolderRoute&, const FolderRoute&) = default;
};

// The route of a mailbox folder path (Zimbra's names from the top, "!N" merged) whose folder
// has Zimbra id `folderId` (0 when unknown). A system folder is known by its id where it is the
// folder itself, else by the path's first name; Zimbra Desktop's Outbox, known by its id alone,
// goes to Drafts: its mail was never sent. Emailed Contacts is no special folder in Outlook:
// it stays a folder of its own beside Contacts.
FolderRoute routeOfMailboxPath(const std::vector<std::string>& components, int folderId = 0,
                               FolderContents contents = FolderContents::Mail);

// Where a message goes: by its .meta's Path; in an archive without one (a zip export), by its
// entry's folder, the names as the export sanitised them. nullopt for a file of its own
// without a .meta Path, which the disk's folders place as they always did.
std::optional<FolderRoute> routeOfMessage(const source::Item& item);

// Where a contact, appointment or task goes: by its .meta's Path or its entry's folder as a
// message does; a file of its own (a queued .vcf or .ics) to Outlook's Contacts, Calendar or
// Tasks. `contents` is what the item is (an .ics entry may hold tasks as well as events).
FolderRoute routeOfItem(const source::Item& item, FolderContents contents);

// The folder a folder item of an archive stands for, made even when empty so the mailbox's
// tree is whole, with what its view says it holds; nullopt for the mailbox's top, hidden
// folders and folders of documents, which Outlook has no place for.
std::optional<FolderRoute> routeOfFolder(const source::Item& item);

}  // namespace tolvane::mailbox
