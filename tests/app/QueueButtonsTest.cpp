#include "WindowFixture.h"

namespace tolvane::app {
namespace {

using Paths = std::vector<std::string>;
using QueueButtons = WindowTest;

// The commands themselves are tested in tests/queue; here, that each button runs its own and
// that the grid and the count label show the queue it leaves.
TEST_F(QueueButtons, EachRunsItsCommandAndTheGridAndTheLabelShowTheQueue) {
    TempFolder tree;
    tree.file("a.eml");
    tree.file("sub/b.eml");

    ui_.answerFiles(std::string("/m\0x.eml\0y.eml", 14));
    c().cmdAdd->click();
    EXPECT_EQ(queuedPaths(), (Paths{"/m/x.eml", "/m/y.eml"}));
    EXPECT_EQ(countCaption(), "2 Zimbra Messages");
    EXPECT_TRUE(c().CmdExtractDBX->isEnabled());

    ui_.folderAnswers.push_back(tree.str());
    c().CmdAddFolder->click();
    EXPECT_EQ(queuedPaths(),
              (Paths{"/m/x.eml", "/m/y.eml", tree.str() + "/a.eml", tree.str() + "/sub/b.eml"}));
    EXPECT_EQ(countCaption(), "4 Zimbra Messages");

    ui_.messageBoxAnswers = {MsgResult::Yes};
    c().cmdClear1->click();
    EXPECT_EQ(queuedPaths(), Paths{""});
    EXPECT_EQ(countCaption(), "0 files");
    EXPECT_EQ(ui_.messageTexts(),
              (Paths{"2 Messages Queued for Conversion.",
                     "Do you want to clear all the files in the list\r\n Proceed?"}));
}

}  // namespace
}  // namespace tolvane::app
