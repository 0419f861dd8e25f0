// Add Folder in the real window: a generated tree of N files in N / 100 folders is scanned
// and queued with a yield to the event loop before every path and every append, with the
// window shown so it repaints. Scan time and queue time are reported apart, for 10,000 and
// 100,000 files; the queue must grow in linear time.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/qt/QtWindow.h"
#include "platform/qt/QtUi.h"
#include "queue/ViewSettingsFile.h"
#include "support/TempFolder.h"
#include "support/Timing.h"

namespace {

using tolvane::bench::Clock;

// The Qt seam with the folder picker and the closing box answered at once, timing the steps:
// the wait cursor goes on before the scan, the first yield comes right after it, and the
// cursor goes off when the queuing loop ends.
class BenchUi : public tolvane::qtui::QtUi {
  public:
    std::string folder;
    std::string lastMessage;
    Clock::time_point cursorOn, firstYield, cursorOff;
    std::clock_t cpuAtFirstYield = 0, cpuAtCursorOff = 0;
    bool yielded = false;

    std::string browseForFolder(const std::string&) override { return folder; }
    tolvane::MsgResult messageBox(const tolvane::MessageBoxRequest& request) override {
        lastMessage = request.text;
        return tolvane::MsgResult::Ok;
    }
    void setWaitCursor(bool waiting) override {
        (waiting ? cursorOn : cursorOff) = Clock::now();
        if (!waiting) {
            cpuAtCursorOff = std::clock();
        }
        QtUi::setWaitCursor(waiting);
    }
    void doEvents() override {
        if (!yielded) {
            yielded = true;
            firstYield = Clock::now();
            cpuAtFirstYield = std::clock();
        }
        QtUi::doEvents();
    }
};

// N files, 100 in each of N / 100 folders: ten top folders, the rest spread below them.
void buildTree(const std::filesystem::path& top, int files) {
    const int folders = files / 100;
    for (int f = 0; f < folders; ++f) {
        const auto folder = top / ("Folder" + std::to_string(f % 10)) /
                            (f < 10 ? std::string() : "Sub" + std::to_string(f));
        std::filesystem::create_directories(folder);
        for (int k = 0; k < 100; ++k) {
            std::ofstream(folder / ("Message " + std::to_string(k) + ".eml")) << "x";
        }
    }
}

double seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

bool run(int files, double& queueSecondsOut, double& queueCpuOut) {
    const std::string top = tolvane::bench::makeTempFolder("queue-bench").string();
    buildTree(top, files);

    BenchUi ui;
    ui.folder = top;
    tolvane::queue::ViewSettingsFile viewSettings(std::filesystem::path(top) / "view-settings");
    tolvane::app::QtWindow window(ui, viewSettings);
    ui.setOwner(&window);
    window.show();
    QCoreApplication::processEvents();

    const auto start = Clock::now();
    window.CmdAddFolder_Click();
    const auto end = Clock::now();

    const double scan = seconds(ui.cursorOn, ui.firstYield);
    const double queue = seconds(ui.firstYield, ui.cursorOff);
    const bool whole = window.rowCount() == files &&
                       ui.lastMessage == std::to_string(files) + " Messages Queued for Conversion.";
    const double queueCpu =
        static_cast<double>(ui.cpuAtCursorOff - ui.cpuAtFirstYield) / CLOCKS_PER_SEC;
    // CPU time beside wall time: on a shared machine the wall clock also counts waiting.
    std::printf(
        "queue_bench: %7d files in %5d folders: scan %.3f s, queue %.3f s "
        "(%.2f us/file; CPU %.3f s), whole click %.3f s%s\n",
        files, files / 100, scan, queue, queue * 1e6 / files, queueCpu, seconds(start, end),
        whole ? "" : "  [WRONG: not every file queued]");
    std::filesystem::remove_all(top);
    queueSecondsOut = queue;
    queueCpuOut = queueCpu;
    return whole;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    double small = 0;
    double large = 0;
    double smallCpu = 0;
    double largeCpu = 0;
    bool ok = run(10000, small, smallCpu);
    if (qEnvironmentVariableIsEmpty("QUEUE_BENCH_SMALL_ONLY")) {
        ok = run(100000, large, largeCpu) && ok;
    }
    // Linear growth gives about 10 times the time for 10 times the files.
    std::printf(
        "queue_bench: 100,000 / 10,000 queue time ratio: wall %.1f, CPU %.1f "
        "(linear: about 10)\n",
        small > 0 ? large / small : 0.0, smallCpu > 0 ? largeCpu / smallCpu : 0.0);
    return ok ? 0 : 1;
}
