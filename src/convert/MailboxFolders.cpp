#include "convert/MailboxFolders.h"

#include "pst/PstWriter.h"
#include "store/Folder.h"
#include "store/Store.h"

namespace tolvane::convert {

namespace {

// Outlook's folder types (OlDefaultFolders), as the store's Folders.Add takes them.
int folderTypeOf(mailbox::FolderContents contents) {
    switch (contents) {
        case mailbox::FolderContents::Contacts:
            return 10;  // olFolderContacts
        case mailbox::FolderContents::Appointments:
            return 9;  // olFolderCalendar
        case mailbox::FolderContents::Tasks:
            return 13;  // olFolderTasks
        case mailbox::FolderContents::Mail:
            break;
    }
    return 6;  // olFolderInbox
}

}  // namespace

std::shared_ptr<store::Folder> MailboxFolders::baseOf(mailbox::OutlookFolder base) {
    using mailbox::OutlookFolder;
    switch (base) {
        case OutlookFolder::Inbox:
            return store_.SpecialFolder(pst::SpecialFolder::Inbox);
        case OutlookFolder::SentItems:
            return store_.SpecialFolder(pst::SpecialFolder::SentItems);
        case OutlookFolder::Drafts:
            return store_.SpecialFolder(pst::SpecialFolder::Drafts);
        case OutlookFolder::DeletedItems:
            return store_.SpecialFolder(pst::SpecialFolder::DeletedItems);
        case OutlookFolder::JunkEmail:
            return store_.SpecialFolder(pst::SpecialFolder::JunkEmail);
        case OutlookFolder::Contacts:
            return store_.SpecialFolder(pst::SpecialFolder::Contacts);
        case OutlookFolder::Calendar:
            return store_.SpecialFolder(pst::SpecialFolder::Calendar);
        case OutlookFolder::Tasks:
            return store_.SpecialFolder(pst::SpecialFolder::Tasks);
        case OutlookFolder::IpmSubtree:
            break;
    }
    return store_.IPMRootFolder();
}

std::shared_ptr<store::Folder> MailboxFolders::folderOf(const mailbox::FolderRoute& route) {
    Key key{route.base, route.below};
    if (const auto found = known_.find(key); found != known_.end())
        return found->second;
    std::shared_ptr<store::Folder> folder;
    if (route.below.empty()) {
        folder = baseOf(route.base);
    } else {
        // The parent first, so each level is made once and remembered; a parent not made
        // before holds what its child holds.
        mailbox::FolderRoute parentRoute = route;
        parentRoute.below.pop_back();
        const auto parent = folderOf(parentRoute);
        const std::string& name = route.below.back();
        folder = parent->Folders().Find(name);
        if (!folder)
            folder = parent->Folders().Add(name, folderTypeOf(route.contents));
    }
    known_.emplace(std::move(key), folder);
    return folder;
}

}  // namespace tolvane::convert
