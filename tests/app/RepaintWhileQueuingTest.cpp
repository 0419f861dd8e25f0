#include <QEvent>
#include <QObject>
#include <cstdint>
#include <set>

#include "WindowFixture.h"
#include "platform/qt/QtUi.h"

namespace tolvane::app {
namespace {

// The real Qt seam, with the picker and the closing box answered at once and a clock that
// moves only when the handler yields, `stepMs` a yield.
class SteppedClockUi : public qtui::QtUi {
  public:
    explicit SteppedClockUi(std::int64_t stepMs) : stepMs_(stepMs) {}
    std::string folder;
    std::vector<std::string> boxes;
    int yields = 0;

    std::string browseForFolder(const std::string&) override { return folder; }
    MsgResult messageBox(const MessageBoxRequest& request) override {
        boxes.push_back(request.text);
        return MsgResult::Ok;
    }
    void doEvents() override {
        ++yields;
        clockMs_ += stepMs_;
        QtUi::doEvents();
    }

  protected:
    std::int64_t nowMs() const override { return clockMs_; }

  private:
    std::int64_t stepMs_;
    std::int64_t clockMs_ = 0;
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

// Adds a folder of 200 message files with the given clock step; returns the count captions
// the label was painted with before the last file was queued.
std::set<QString> paintedWhileQueuing(SteppedClockUi& ui) {
    TempFolder tree;
    for (int i = 0; i < 200; ++i) {
        tree.file("Inbox/m" + std::to_string(i) + ".eml");
    }
    ui.folder = tree.str();
    TempFolder settings;
    queue::ViewSettingsFile viewSettings(settings.path() / "view");
    QtWindow window(ui, viewSettings);
    ui.setOwner(&window);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    PaintRecorder recorder(window.control<QLabel>(lblCount1));

    window.CmdAddFolder_Click();

    EXPECT_EQ(ui.boxes, std::vector<std::string>{"200 Messages Queued for Conversion."});
    EXPECT_EQ(window.rowCount(), 200);
    EXPECT_EQ(ui.yields, 400);  // before each file, and again before queuing it
    std::set<QString> midway = recorder.painted;
    midway.erase(QString());
    midway.erase(QStringLiteral("200 Zimbra Messages"));
    return midway;
}

TEST(RepaintWhileQueuing, EveryYieldRepaintsTheCountAsItStands) {
    SteppedClockUi ui(qtui::QtUi::kYieldIntervalMs);
    const std::set<QString> painted = paintedWhileQueuing(ui);
    std::set<QString> expected;
    for (int count = 1; count < 200; ++count) {
        expected.insert(QString::number(count) + QStringLiteral(" Zimbra Messages"));
    }
    EXPECT_EQ(painted, expected);
}

TEST(RepaintWhileQueuing, YieldsRunTheEventLoopOncePerIntervalOnly) {
    // A millisecond a yield: the loop runs on the first yield and on every tenth after it,
    // that is before files 1, 6, 11 and so on, showing the count of those before them.
    SteppedClockUi ui(1);
    const std::set<QString> painted = paintedWhileQueuing(ui);
    std::set<QString> expected;
    for (int count = 5; count < 200; count += 5) {
        expected.insert(QString::number(count) + QStringLiteral(" Zimbra Messages"));
    }
    EXPECT_EQ(painted, expected);
}

}  // namespace
}  // namespace tolvane::app
