#include "convert/MailboxFolders.h"

#include "pst/PstWriter.h"
#include "store/Folder.h"
#include "store/Store.h"

namespace tolvane::convert {

namespace {

constexpr int kMailFolderType = 6;

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
        // The parent first, so each level is made once and remembered.
        mailbox::FolderRoute parentRoute{route.base, route.below};
        parentRoute.below.pop_back();
        const auto parent = folderOf(parentRoute);
        const std::string& name = route.below.back();
        folder = parent->Folders().Find(name);
        if (!folder)
            folder = parent->Folders().Add(name, kMailFolderType);
    }
    known_.emplace(std::move(key), folder);
    return folder;
}

}  // namespace tolvane::convert
