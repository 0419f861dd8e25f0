#include <QEvent>
#include <QObject>
#include <chrono>
#include <set>
#include <thread>

#include "WindowFixture.h"
#include "platform/qt/QtUi.h"

namespace tolvane::app {
namespace {

// The real Qt seam, with the picker and the closing box answered at once and each yield
// stretched a little, so the loop runs long enough for the window to repaint many times.
class SlowQtUi : public qtui::QtUi {
  public:
    std::string folder;
    std::vector<std::string> boxes;

    std::string browseForFolder(const std::string&) override { return folder; }
    MsgResult messageBox(const MessageBoxRequest& request) override {
        boxes.push_back(request.text);
        return MsgResult::Ok;
    }
    void doEvents() override {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        QtUi::doEvents();
    }
};

// Records the count label's text each time it is painted.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QLabel* label) : label_(label) { label->installEventFilter(this); }
    std::set<QString> painted;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == label_ && event->type() == QEvent::Paint) {
            painted.insert(label_->text());
        }
        return false;
    }

  private:
    QLabel* label_;
};

TEST(RepaintWhileQueuing, TheCountRisesVisiblyDuringAnAddFolder) {
    TempFolder tree;
    for (int i = 0; i < 200; ++i) {
        tree.file("Inbox/m" + std::to_string(i) + ".eml");
    }
    SlowQtUi ui;
    ui.folder = tree.str();
    TempFolder settings;
    queue::ViewSettingsFile viewSettings(settings.path() / "view");
    frmStep1 window(ui, viewSettings);
    ui.setOwner(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    PaintRecorder recorder(window.controls().lblCount1);

    window.CmdAddFolder_Click();

    EXPECT_EQ(ui.boxes, std::vector<std::string>{"200 Messages Queued for Conversion."});
    EXPECT_EQ(window.rowCount(), 200);
    std::set<QString> midway = recorder.painted;
    midway.erase(QString());
    midway.erase(QStringLiteral("200 Zimbra Messages"));
    EXPECT_GE(midway.size(), 3u) << "the label was painted only " << recorder.painted.size()
                                 << " times while queuing";
}

}  // namespace
}  // namespace tolvane::app
