#include "pst/messaging/FolderClasses.h"

#include "mapi/Tags.h"
#include "pst/PstError.h"
#include "pst/ltp/TableLayout.h"
#include "pst/messaging/OutlookTemplates.h"

namespace tolvane::pst::messaging {

namespace tag = mapi::tag;

const char* containerClass(FolderClass folderClass) {
    switch (folderClass) {
        case FolderClass::Note:
            return "IPF.Note";
        case FolderClass::Contact:
            return "IPF.Contact";
        case FolderClass::Appointment:
            return "IPF.Appointment";
        case FolderClass::Task:
            return "IPF.Task";
        case FolderClass::StickyNote:
            return "IPF.StickyNote";
        case FolderClass::Journal:
            return "IPF.Journal";
    }
    throw PstError("unknown folder class");
}

// A mail folder's list shows the follow-up flag (status, icon, to-do flags), the icon index
// (read, replied, forwarded), the last verb and categories beside the template's columns
// (importance among them): the state columns Outlook's own mail folders carry (the samples'
// Inbox, its new store's IPM subtree), without their task and reminder columns, so a row stays
// near the template's width and a commit rewrites no more than before.
const std::vector<ltp::TColumn>& contentsColumns(FolderClass folderClass) {
    static const std::vector<ltp::TColumn> mail = [] {
        const mapi::PropTag added[] = {tag::kToDoItemFlags,    tag::kIconIndex,
                                       tag::kLastVerbExecuted, tag::kFlagStatus,
                                       tag::kFollowupIcon,     tag::outlook::kKeywords};
        return ltp::TableLayout::fromColumns(outlook::kContentsColumns).withTags(added).columns();
    }();
    if (folderClass == FolderClass::Note) {
        return mail;
    }
    return outlook::kContentsColumns;
}

}  // namespace tolvane::pst::messaging
