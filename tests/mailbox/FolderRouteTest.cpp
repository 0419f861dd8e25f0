// Where Zimbra's folders land: its mail system folders in Outlook's own, the rest by name.

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
        {{"Contacts"}, {OutlookFolder::IpmSubtree, {"Contacts"}}},
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

TEST(FolderRoute, MailFoldersAreMadeAndNoOthers) {
    const auto folder = [](int id, std::string path, std::string metadata = "d1:vi10ee") {
        MetaLine line;
        line.id = id;
        line.type = 1;
        line.folderId = 1;
        line.path = std::move(path);
        line.metadata = std::move(metadata);
        return itemOf(line, "folder.meta");
    };
    EXPECT_EQ(routeOfFolder(folder(2, "/Inbox")), (FolderRoute{OutlookFolder::Inbox, {}}));
    EXPECT_EQ(routeOfFolder(folder(300, "/Inbox/Empty", "d1:vi10e2:vti5ee")),
              (FolderRoute{OutlookFolder::Inbox, {"Empty"}}));
    EXPECT_EQ(routeOfFolder(folder(301, "/Archive 2019")),
              (FolderRoute{OutlookFolder::IpmSubtree, {"Archive 2019"}}));
    EXPECT_EQ(routeOfFolder(folder(254, "/Outbox")), (FolderRoute{OutlookFolder::Drafts, {}}));

    // The mailbox's top, hidden folders, and folders of contacts, calendars, tasks, files.
    for (const auto& none :
         {folder(1, "/"), folder(8, "/Tags"), folder(7, "/Contacts"), folder(10, "/Calendar"),
          folder(15, "/Tasks"), folder(16, "/Briefcase"), folder(13, "/Emailed Contacts"),
          folder(302, "/Friends", "d1:vi10e2:vti6ee"), folder(303, "/Team", "d1:vi10e2:vti11ee"),
          folder(304, "/Calendar/Holidays")}) {
        SCOPED_TRACE(*none.meta->path);
        EXPECT_EQ(routeOfFolder(none), std::nullopt);
    }
}

}  // namespace
}  // namespace tolvane::mailbox
