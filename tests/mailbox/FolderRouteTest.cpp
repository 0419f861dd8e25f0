// Where Zimbra's folders land: its system folders in Outlook's own, the rest by name, each
// with what it holds.

#include <gtest/gtest.h>

#include "MetaItems.h"
#include "mailbox/FolderRoute.h"

namespace tolvane::mailbox {
namespace {

using test::itemOf;
using test::MetaLine;
using Names = std::vector<std::string>;

TEST(FolderRoute, SystemFoldersAndTheirSubfoldersLandInOutlooksOwn) {
    const struct {
        Names path;
        FolderRoute route;
    } cases[] = {
        {{"Inbox"}, {OutlookFolder::Inbox, {}}},
        {{"inbox", "Projects", "2024"}, {OutlookFolder::Inbox, {"Projects", "2024"}}},
        {{"Sent"}, {OutlookFolder::SentItems, {}}},
        {{"SENT", "Old"}, {OutlookFolder::SentItems, {"Old"}}},
        {{"Drafts"}, {OutlookFolder::Drafts, {}}},
        {{"Trash", "old"}, {OutlookFolder::DeletedItems, {"old"}}},
        {{"Junk"}, {OutlookFolder::JunkEmail, {}}},
        // Names Zimbra does not keep for itself are the user's own folders.
        {{"Sent Items"}, {OutlookFolder::IpmSubtree, {"Sent Items"}}},
        {{"Projects", "Inbox"}, {OutlookFolder::IpmSubtree, {"Projects", "Inbox"}}},
        {{"Outbox"}, {OutlookFolder::IpmSubtree, {"Outbox"}}},
        {{"Contacts", "Family"}, {OutlookFolder::Contacts, {"Family"}}},
        {{"Calendar"}, {OutlookFolder::Calendar, {}}},
        {{"Tasks", "Home"}, {OutlookFolder::Tasks, {"Home"}}},
        // Outlook has no Emailed Contacts of its own: a folder beside Contacts.
        {{"Emailed Contacts"}, {OutlookFolder::IpmSubtree, {"Emailed Contacts"}}},
        {{}, {OutlookFolder::IpmSubtree, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.path));
        EXPECT_EQ(routeOfMailboxPath(c.path), c.route);
    }
}

TEST(FolderRoute, ASystemFoldersIdWinsAndZimbraDesktopsOutboxGoesToDrafts) {
    // Zimbra Desktop's Outbox is known by its id alone: its mail was never sent.
    EXPECT_EQ(routeOfMailboxPath({"Outbox"}, 254), (FolderRoute{OutlookFolder::Drafts, {}}));
    EXPECT_EQ(routeOfMailboxPath({}, 5), (FolderRoute{OutlookFolder::SentItems, {}}));
    // A user folder's id says nothing: the path's top decides.
    EXPECT_EQ(routeOfMailboxPath({"Trash", "x"}, 300),
              (FolderRoute{OutlookFolder::DeletedItems, {"x"}}));
}

TEST(FolderRoute, AMessageIsPlacedByItsMetaPathWithRealNames) {
    // The entry name holds the sanitised batch folder; the .meta the real name.
    MetaLine line;
    line.folderId = 400;
    line.path = "/Inbox/Q: results?/";
    EXPECT_EQ(routeOfMessage(itemOf(line, "Inbox/Q_ results_!2/0000000300-s.eml")),
              (FolderRoute{OutlookFolder::Inbox, {"Q: results?"}}));

    line.path = "/Work/Clients/";
    EXPECT_EQ(routeOfMessage(itemOf(line, "Work/Clients!1/0000000300-s.eml")),
              (FolderRoute{OutlookFolder::IpmSubtree, {"Work", "Clients"}}));

    line.folderId = 254;
    line.path = "/Outbox/";
    EXPECT_EQ(routeOfMessage(itemOf(line, "Outbox/0000000300-s.eml")),
              (FolderRoute{OutlookFolder::Drafts, {}}));

    // A zip export has no .meta: the entry's folder, batches merged, names as sanitised.
    source::Item zipped;
    zipped.kind = source::ItemKind::Message;
    zipped.source = "export.zip";
    zipped.entry = "Sent/Old_ stuff!1/0000000300-s.eml";
    EXPECT_EQ(routeOfMessage(zipped), (FolderRoute{OutlookFolder::SentItems, {"Old_ stuff"}}));

    // A file of its own without a .meta: the disk's folders place it, as they always did.
    source::Item loose;
    loose.kind = source::ItemKind::Message;
    loose.source = "/home/me/Export/Inbox/a.eml";
    EXPECT_EQ(routeOfMessage(loose), std::nullopt);
}

TEST(FolderRoute, ContactsAppointmentsAndTasksGoWhereTheirFolderIsOrToOutlooksOwn) {
    using C = FolderContents;
    MetaLine line;
    line.type = 6;
    line.folderId = 13;
    line.path = "/Emailed Contacts/";
    EXPECT_EQ(routeOfItem(itemOf(line, "Emailed Contacts/Ann"), C::Contacts),
              (FolderRoute{OutlookFolder::IpmSubtree, {"Emailed Contacts"}, C::Contacts}));
    line.type = 11;
    line.folderId = 10;
    line.path = "/Calendar/";
    EXPECT_EQ(routeOfItem(itemOf(line, "Calendar/0000000300-s.appt"), C::Appointments),
              (FolderRoute{OutlookFolder::Calendar, {}, C::Appointments}));

    // A zip's .ics entry in a task list holds tasks: its entry's folder with the item's kind.
    source::Item zipped;
    zipped.source = "export.zip";
    zipped.entry = "Errands/0000000301-s.task";
    EXPECT_EQ(routeOfItem(zipped, C::Tasks),
              (FolderRoute{OutlookFolder::IpmSubtree, {"Errands"}, C::Tasks}));

    // A queued .vcf or .ics of its own: Outlook's folder for what it holds.
    source::Item loose;
    loose.source = "/home/me/people.vcf";
    EXPECT_EQ(routeOfItem(loose, C::Contacts),
              (FolderRoute{OutlookFolder::Contacts, {}, C::Contacts}));
    EXPECT_EQ(routeOfItem(loose, C::Appointments),
              (FolderRoute{OutlookFolder::Calendar, {}, C::Appointments}));
    EXPECT_EQ(routeOfItem(loose, C::Tasks), (FolderRoute{OutlookFolder::Tasks, {}, C::Tasks}));
}

TEST(FolderRoute, EachFolderIsMadeWithWhatItsViewSaysItHolds) {
    using C = FolderContents;
    const auto folder = [](int id, std::string path, std::string metadata = "d1:vi10ee") {
        MetaLine line;
        line.id = id;
        line.type = 1;
        line.folderId = 1;
        line.path = std::move(path);
        line.metadata = std::move(metadata);
        return itemOf(line, "folder.meta");
    };
    const struct {
        source::Item folder;
        FolderRoute route;
    } cases[] = {
        {folder(2, "/Inbox"), {OutlookFolder::Inbox, {}}},
        {folder(300, "/Inbox/Empty", "d1:vi10e2:vti5ee"), {OutlookFolder::Inbox, {"Empty"}}},
        {folder(301, "/Archive 2019"), {OutlookFolder::IpmSubtree, {"Archive 2019"}}},
        {folder(254, "/Outbox"), {OutlookFolder::Drafts, {}}},
        {folder(7, "/Contacts"), {OutlookFolder::Contacts, {}, C::Contacts}},
        {folder(13, "/Emailed Contacts"),
         {OutlookFolder::IpmSubtree, {"Emailed Contacts"}, C::Contacts}},
        {folder(302, "/Friends", "d1:vi10e2:vti6ee"),
         {OutlookFolder::IpmSubtree, {"Friends"}, C::Contacts}},
        {folder(10, "/Calendar"), {OutlookFolder::Calendar, {}, C::Appointments}},
        {folder(303, "/Team", "d1:vi10e2:vti11ee"),
         {OutlookFolder::IpmSubtree, {"Team"}, C::Appointments}},
        // Without a view, a subfolder holds what its system folder holds.
        {folder(304, "/Calendar/Holidays"),
         {OutlookFolder::Calendar, {"Holidays"}, C::Appointments}},
        {folder(15, "/Tasks"), {OutlookFolder::Tasks, {}, C::Tasks}},
        {folder(305, "/Errands", "d1:vi10e2:vti15ee"),
         {OutlookFolder::IpmSubtree, {"Errands"}, C::Tasks}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(*c.folder.meta->path);
        EXPECT_EQ(routeOfFolder(c.folder), c.route);
    }

    // The mailbox's top, hidden folders, and folders of files, which Outlook has no place for.
    for (const auto& none :
         {folder(1, "/"), folder(8, "/Tags"), folder(16, "/Briefcase"),
          folder(306, "/Briefcase/Scans"), folder(307, "/Docs", "d1:vi10e2:vti8ee")}) {
        SCOPED_TRACE(*none.meta->path);
        EXPECT_EQ(routeOfFolder(none), std::nullopt);
    }
}

}  // namespace
}  // namespace tolvane::mailbox
