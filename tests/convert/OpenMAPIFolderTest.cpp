#include "convert/OpenMAPIFolder.h"

#include <gtest/gtest.h>

#include "RecordingEngines.h"
#include "TempDir.h"
#include "platform/AppError.h"
#include "store/Folder.h"
#include "store/Profile.h"
#include "store/Session.h"
#include "store/Store.h"
#include "store/StoreErrc.h"

namespace tolvane::convert {
namespace {

class OpenMAPIFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session.Logon();
        auto store = session.Stores().AddPSTStore(dir / "a.pst", 1, "Zimbra Mails : Created - 1");
        a = store->IPMRootFolder()->Folders().Add("A", 6);
        b = a->Folders().Add("B", 6);
    }

    std::optional<outlook::Folder> open(const std::string& path) {
        return OpenMAPIFolder(path, [this] { return outlook::Application(state); });
    }

    std::string failureOf(const std::string& path) {
        try {
            open(path);
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), store::errc::kNotFound);
            return e.description();
        }
        ADD_FAILURE() << path << " was found";
        return {};
    }

    tolvane::testing::TempDir dir;
    std::shared_ptr<store::Profile> profile = std::make_shared<store::Profile>(
        store::testing::recordingServices(std::make_shared<store::testing::WriterLog>()));
    std::shared_ptr<outlook::OutlookState> state =
        std::make_shared<outlook::OutlookState>(outlook::OutlookState{profile, nullptr});
    store::Session session{profile};
    std::shared_ptr<store::Folder> a;
    std::shared_ptr<store::Folder> b;
};

TEST_F(OpenMAPIFolderTest, AnAbsolutePathWalksFromTheStoreByDisplayName) {
    EXPECT_EQ(open("\\Zimbra Mails : Created - 1\\A\\B")->mapiFolder(), b);
    EXPECT_EQ(open("\\Zimbra Mails : Created - 1\\A\\B\\")->mapiFolder(), b);
    EXPECT_EQ(open("\\zimbra mails : created - 1\\a\\b")->mapiFolder(), b);
    const auto top = open("\\Zimbra Mails : Created - 1");
    EXPECT_EQ(top->Name(), "Zimbra Mails : Created - 1");
    EXPECT_EQ(open("\\Zimbra Mails : Created - 1\\A")->FolderPath(),
              "\\Zimbra Mails : Created - 1\\A");
    EXPECT_FALSE(open("\\").has_value());
}

TEST_F(OpenMAPIFolderTest, AMissingOrEmptyNameFailsNamingWhereItLooked) {
    EXPECT_NE(failureOf("\\Zimbra Mails : Created - 1\\A\\\\B").find("\"\""), std::string::npos);
    EXPECT_NE(failureOf("\\Zimbra Mails : Created - 1\\A\\C").find("\"C\""), std::string::npos);
    EXPECT_NE(failureOf("\\Other store\\A").find("Other store"), std::string::npos);
}

TEST_F(OpenMAPIFolderTest, ARelativePathStartsAtTheExplorersCurrentFolder) {
    EXPECT_NE(failureOf("B").find("No Outlook window is active"), std::string::npos);
    EXPECT_NE(failureOf("").find("No Outlook window is active"), std::string::npos);

    state->currentFolder = a;
    EXPECT_EQ(open("B")->mapiFolder(), b);
    EXPECT_EQ(open("b\\")->mapiFolder(), b);
    EXPECT_EQ(open("")->mapiFolder(), a);
    EXPECT_EQ(open("")->FolderPath(), "\\Zimbra Mails : Created - 1\\A");
}

TEST_F(OpenMAPIFolderTest, AFolderAddedThroughOutlookLandsInTheStoreUnderTheSameRules) {
    auto found = open("\\Zimbra Mails : Created - 1\\A");
    const auto c = found->Folders().Add("C", 6);
    EXPECT_EQ(a->Folders().Find("c"), c.mapiFolder());
    EXPECT_EQ(c.FolderPath(), "\\Zimbra Mails : Created - 1\\A\\C");
    try {
        found->Folders().Add("b", 6);
        ADD_FAILURE() << "a case-only duplicate was added";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), store::errc::kCollision);
    }
    EXPECT_THROW(outlook::Application(state).GetNamespace("IMAP"), AppError);
    EXPECT_THROW(outlook::Application(state).GetNamespace("MAPI").Folders().Add("X", 6), AppError);
}

}  // namespace
}  // namespace tolvane::convert
