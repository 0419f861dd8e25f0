#include "WindowFixture.h"

namespace tolvane::app {
namespace {

class Keyboard : public WindowTest {
  protected:
    void SetUp() override {
        window().show();
        QApplication::setActiveWindow(&window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    }

    // The widgets Tab visits, starting from the one with focus.
    std::vector<QWidget*> tabCycle(int steps) {
        std::vector<QWidget*> visited{QApplication::focusWidget()};
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget());
        }
        return visited;
    }
};

TEST_F(Keyboard, FocusStartsOnAddFilesAndTabSkipsDisabledConvert) {
    EXPECT_EQ(QApplication::focusWidget(), c().cmdAdd);
    const std::vector<QWidget*> expected{c().cmdAdd, c().cmdClear1, c().CmdAddFolder, c().grdFiles1,
                                         c().cmdEnd, c().CmdHelp,   c().cmdAdd};
    EXPECT_EQ(tabCycle(6), expected);
}

TEST_F(Keyboard, TabVisitsConvertWhileEnabled) {
    window().setConvertEnabled(true);
    const std::vector<QWidget*> expected{c().cmdAdd,    c().cmdClear1,     c().CmdAddFolder,
                                         c().grdFiles1, c().CmdExtractDBX, c().cmdEnd,
                                         c().CmdHelp,   c().cmdAdd};
    EXPECT_EQ(tabCycle(7), expected);
}

// An access key presses its button the way a click does, after the button's short press
// animation; the waits below cover it.
TEST_F(Keyboard, AltMRunsConvertOnlyWhileEnabled) {
    int runs = 0;
    window().setConvertJob([&runs] { ++runs; });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
    QTest::qWait(300);
    EXPECT_EQ(runs, 0);
    window().setConvertEnabled(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&runs] { return runs == 1; }, 1000));
}

TEST_F(Keyboard, AltHOpensHelpAndAltXAsksToExit) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return ui_.openedUrls.size() == 1; }, 1000));
    ui_.messageBoxAnswers = {MsgResult::No};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !ui_.messageBoxes.empty(); }, 1000));
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{"Are you sure you want to exit now?"});
    EXPECT_FALSE(window().unloaded());
}

}  // namespace
}  // namespace tolvane::app
