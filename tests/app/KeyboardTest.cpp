#include <QAbstractButton>

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

    // Presses Alt+key and returns whether `button` took it. A button answers its access key
    // with an animated click: down at once, clicked as it comes up on its own timer. This
    // runs the event loop until then, however long that takes.
    static bool pressAccessKey(Qt::Key key, QAbstractButton* button) {
        QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
        const bool pressed = button->isDown();
        while (button->isDown()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        QCoreApplication::processEvents();  // anything the click posted
        return pressed;
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

TEST_F(Keyboard, AltMRunsConvertOnlyWhileEnabled) {
    int runs = 0;
    window().setConvertJob([&runs] { ++runs; });
    EXPECT_FALSE(pressAccessKey(Qt::Key_M, c().CmdExtractDBX));
    EXPECT_EQ(runs, 0);
    window().setConvertEnabled(true);
    EXPECT_TRUE(pressAccessKey(Qt::Key_M, c().CmdExtractDBX));
    EXPECT_EQ(runs, 1);
}

TEST_F(Keyboard, AltHOpensHelpAndAltXAsksToExit) {
    EXPECT_TRUE(pressAccessKey(Qt::Key_H, c().CmdHelp));
    EXPECT_EQ(ui_.openedUrls.size(), 1u);
    ui_.messageBoxAnswers = {MsgResult::No};
    EXPECT_TRUE(pressAccessKey(Qt::Key_X, c().cmdEnd));
    EXPECT_EQ(ui_.messageTexts(), std::vector<std::string>{"Are you sure you want to exit now?"});
    EXPECT_FALSE(window().unloaded());
}

}  // namespace
}  // namespace tolvane::app
