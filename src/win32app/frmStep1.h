#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "convert/JobSeams.h"
#include "platform/Ui.h"
#include "platform/win32/GridCells.h"
#include "queue/FileQueue.h"
#include "queue/QueueWindow.h"
#include "queue/ViewSettingsStore.h"
#include "win32app/Layout.h"

namespace tolvane::win32app {

// The program's one window on Windows: the controls of the layout table as Win32 controls,
// the queue in a virtual list-view over GridCells, and one handler per button, reached from
// WM_COMMAND. Modal interaction goes through the Ui seam; the conversion job reads the queue
// and reports its events through the two job seams it implements. While a run is under way
// the Convert button reads "&Stop" and stops the run without ending the program.
class frmStep1 : public queue::QueueWindow,
                 public convert::QueueSource,
                 public convert::ProgressSink {
  public:
    static constexpr wchar_t kCaption[] = L"Tolvane v3.0";
    static constexpr char kExitQuestion[] = "Are you sure you want to exit now?";
    static constexpr wchar_t kConvertCaption[] = L"Convert &Messages";
    static constexpr wchar_t kStopCaption[] = L"&Stop";

    // waitCursorShown tells whether the wait cursor is up, so the window keeps showing it.
    frmStep1(HINSTANCE instance, Ui& ui, queue::ViewSettingsStore& viewSettings,
             std::function<bool()> waitCursorShown = {});
    ~frmStep1() override;
    frmStep1(const frmStep1&) = delete;
    frmStep1& operator=(const frmStep1&) = delete;

    HWND handle() const noexcept { return window_; }
    HWND control(Control which) const noexcept { return controls_[which]; }
    std::vector<std::string>& workingPathList() noexcept { return workingPathList_; }
    // What "Convert Messages" runs, and what "Stop" does while it runs.
    void setConvertJob(std::function<void()> run, std::function<void()> stop = {}) {
        convertJob_ = std::move(run);
        stopJob_ = std::move(stop);
    }
    // Looked at five times a second; true unloads the window (the system asked to stop).
    void setStopWatch(std::function<bool()> stopAsked);
    void Show(int showCommand);

    // The button handlers.
    void cmdAdd_Click();
    void CmdAddFolder_Click();
    void cmdClear1_Click();
    void CmdExtractDBX_Click();
    void CmdHelp_Click();
    void cmdEnd_Click();

    // Unloading (Exit confirmed, or the close box) ends the program at once: the window
    // hides, the message loop is told to end, and a handler that yields stops where it is.
    void Unload();

    // queue::QueueWindow
    Ui& ui() override { return ui_; }
    queue::FileQueue& fileQueue() override { return fileQueue_; }
    void setConvertEnabled(bool enabled) override;
    bool unloaded() const override { return unloaded_; }

    // convert::QueueSource
    std::int64_t rowCount() const override;
    std::string selectRow(std::int64_t row) override;
    std::optional<FileStamp> queuedStamp(std::int64_t row) const override;

    // convert::ProgressSink
    void runStarted() override;
    void runProgressed(const convert::JobProgress& progress) override;
    void runEnded(const convert::RunResult& result) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

    void Form_Load();
    void buildControls();
    void chainTabOrder();
    RECT pixelsOf(const ControlPlace& place) const;
    void paintBands(HDC dc) const;
    void onCommand(int id, int code);
    LRESULT onNotify(const NMHDR& header);
    void runHandler(void (frmStep1::*handler)());
    void setCaption(Control which, const std::string& caption);
    void showBar(double percent);

    Ui& ui_;
    queue::ViewSettingsStore& viewSettings_;
    std::function<bool()> waitCursorShown_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    int dpi_ = 96;
    HFONT controlFont_ = nullptr;
    HFONT titleFont_ = nullptr;
    HBRUSH white_ = nullptr;
    HBITMAP logo_ = nullptr;
    win32::GridCells cells_;
    std::wstring cellText_;  // the text the list-view is drawing
    std::vector<std::string> workingPathList_{std::string()};
    queue::FileQueue fileQueue_;
    std::function<void()> convertJob_;
    std::function<void()> stopJob_;
    std::function<bool()> stopAsked_;
    bool converting_ = false;
    bool unloaded_ = false;
};

}  // namespace tolvane::win32app
