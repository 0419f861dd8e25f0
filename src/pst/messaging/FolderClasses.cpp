#include "pst/messaging/FolderClasses.h"

#include "mapi/Tags.h"
#include "pst/PstError.h"
#include "pst/ltp/TableLayout.h"
#include "pst/messaging/OutlookClassColumns.h"
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

namespace {

// The template's columns with the class's own, each cell laid out again by width: where a
// cell sits in the row is the table's business (its TCOLDESCs say), readers look it up there.
std::vector<ltp::TColumn> templateWith(const std::vector<mapi::PropTag>& tagged,
                                       const std::vector<mapi::NamedTag>& named,
                                       NameToIdMap& names) {
    std::vector<mapi::PropTag> tags(tagged);
    for (const mapi::NamedTag& n : named) {
        tags.push_back({names.idFor(n.property()), n.type});
    }
    return ltp::TableLayout::fromColumns(outlook::kContentsColumns).withTags(tags).columns();
}

}  // namespace

// A mail folder's list shows the follow-up flag (status, icon, to-do flags), the icon index
// (read, replied, forwarded), the last verb and categories beside the template's columns
// (importance among them): the state columns Outlook's own mail folders carry (the samples'
// Inbox, its new store's IPM subtree), without their task and reminder columns, so a row stays
// near the template's width and a commit rewrites no more than before. Calendar, contact and
// task folders carry the columns Outlook gives its own folders of the class.
std::vector<ltp::TColumn> contentsColumns(FolderClass folderClass, NameToIdMap& names) {
    switch (folderClass) {
        case FolderClass::Note:
            return templateWith({tag::kToDoItemFlags, tag::kIconIndex, tag::kLastVerbExecuted,
                                 tag::kFlagStatus, tag::kFollowupIcon, tag::outlook::kKeywords},
                                {}, names);
        case FolderClass::Appointment:
            return templateWith(outlook::kAppointmentTaggedColumns,
                                outlook::kAppointmentNamedColumns, names);
        case FolderClass::Contact:
            return templateWith(outlook::kContactTaggedColumns, outlook::kContactNamedColumns,
                                names);
        case FolderClass::Task:
            return templateWith(outlook::kTaskTaggedColumns, outlook::kTaskNamedColumns, names);
        case FolderClass::StickyNote:
        case FolderClass::Journal:
            return outlook::kContentsColumns;
    }
    throw PstError("unknown folder class");
}

}  // namespace tolvane::pst::messaging
