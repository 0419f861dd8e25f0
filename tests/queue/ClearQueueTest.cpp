#include "QueueFixture.h"

namespace tolvane::queue {
namespace {

using Paths = std::vector<std::string>;
using ClearQueue = QueueTest;

TEST_F(ClearQueue, OnTheEmptyQueueAsksNothingAndChangesNothing) {
    clickClear();
    EXPECT_TRUE(ui_.log.empty());
    EXPECT_EQ(countCaption(), "");
    EXPECT_EQ(queuedPaths(), Paths{""});
}

TEST_F(ClearQueue, AnsweredNoKeepsEveryRowAndTheLabel) {
    addFiles({"a.eml", "b.eml"});
    ui_.messageBoxAnswers = {MsgResult::No};
    clickClear();

    ASSERT_EQ(ui_.messageBoxes.size(), 1u);
    const MessageBoxRequest& box = ui_.messageBoxes.front();
    EXPECT_EQ(box.text, "Do you want to clear all the files in the list\r\n Proceed?");
    EXPECT_EQ(box.title, "Tolvane");
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);

    EXPECT_EQ(queuedPaths(), (Paths{"/m/a.eml", "/m/b.eml"}));
    EXPECT_EQ(countCaption(), "2 Zimbra Messages");
    EXPECT_EQ(window_.grid.Row(), 0);
    EXPECT_EQ(window_.grid.Col(), 0);
}

TEST_F(ClearQueue, AnsweredYesEmptiesTheQueueAndLeavesConvertAsItWas) {
    addFiles({"a.eml", "b.eml", "c.eml"});
    window_.workingPathList = {"Users\\me", "Users"};
    ASSERT_TRUE(window_.convertEnabled);
    ui_.messageBoxAnswers = {MsgResult::Yes};
    clickClear();

    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_EQ(countCaption(), "0 files");
    EXPECT_EQ(window_.grid.ColWidth(0), 15000);
    EXPECT_TRUE(window_.convertEnabled);
    EXPECT_EQ(window_.workingPathList, Paths{""});

    // Disabled stays disabled as well.
    addFiles({"d.eml"});
    window_.setConvertEnabled(false);
    ui_.messageBoxAnswers = {MsgResult::Yes};
    clickClear();
    EXPECT_FALSE(window_.convertEnabled);
}

TEST_F(ClearQueue, FirstAddAfterAClearFillsRowZero) {
    addFiles({"a.eml", "b.eml"});
    ui_.messageBoxAnswers = {MsgResult::Yes};
    clickClear();
    ASSERT_EQ(countCaption(), "0 files");

    addFiles({"c.eml"});
    EXPECT_EQ(queuedPaths(), Paths{"/m/c.eml"});
    EXPECT_EQ(countCaption(), "1 Zimbra Messages");
}

using QueueRows = QueueTest;

TEST_F(QueueRows, FirstAddAfterStartFillsRowZero) {
    addFiles({"a.eml"});
    EXPECT_EQ(window_.grid.Rows(), 1);
    EXPECT_EQ(queuedPaths(), Paths{"/m/a.eml"});
    EXPECT_EQ(countCaption(), "1 Zimbra Messages");
}

TEST_F(QueueRows, TheKthPathGoesToRowKMinusOneAndStaysCurrent) {
    for (int k = 1; k <= 5; ++k) {
        addFiles({"f" + std::to_string(k) + ".eml"});
        EXPECT_EQ(window_.grid.Rows(), k);
        EXPECT_EQ(window_.grid.Row(), k - 1);
        EXPECT_EQ(window_.grid.Text(), "/m/f" + std::to_string(k) + ".eml");
        EXPECT_EQ(countCaption(), std::to_string(k) + " Zimbra Messages");
    }
    EXPECT_EQ(queuedPaths()[2], "/m/f3.eml");
}

#ifndef _WIN32
TEST_F(QueueRows, APathIsReadBackByteForByteEvenWhenNotUtf8) {
    // Linux file names are bytes: a Latin-1 name must reach the conversion unchanged.
    const std::string latin1 = "/m/r\xE9sum\xE9.eml";
    const std::string utf8 = "/m/\xC3\xA9t\xC3\xA9.eml";
    window_.fileQueue().AddQueueRow(latin1);
    window_.fileQueue().AddQueueRow(utf8);
    EXPECT_EQ(window_.fileQueue().SelectRow(0), latin1);
    EXPECT_EQ(window_.fileQueue().SelectRow(1), utf8);
}
#endif

TEST_F(QueueRows, DuplicatesAreKept) {
    addFiles({"a.eml"});
    addFiles({"a.eml"});
    EXPECT_EQ(queuedPaths(), (Paths{"/m/a.eml", "/m/a.eml"}));
    EXPECT_EQ(countCaption(), "2 Zimbra Messages");
}

TEST_F(QueueRows, AnEmptyNameQueuesItsFolderAsItIs) {
    // A result ending in two NULs holds an empty last name; nothing is dropped or checked.
    ui_.answerFiles(std::string("/m\0a.eml\0\0", 10));
    clickAdd();
    EXPECT_EQ(queuedPaths(), (Paths{"/m/a.eml", "/m/"}));
}

}  // namespace
}  // namespace tolvane::queue
