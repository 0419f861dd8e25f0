#pragma once

#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/frmStep1.h"
#include "win32app/GridListView.h"

namespace tolvane::win32app {

// The window from Win32 controls: each control of the layout table as a child window (the
// bands and the white container painted by the window itself), each button's WM_COMMAND
// forwarded to the behaviour, which it carries out.
//
// A label, a frame or the bar paints as soon as it is set, and a handler may set them for
// every row: a label's or frame's caption waits for the next yield (a posted message), the
// bar and the list for a refresh a few times a second, and all of it is shown when the
// handler returns or opens a modal box.
class Win32Window : public app::frmStep1 {
  public:
    // waitCursorShown tells whether the wait cursor is up, so the window keeps showing it.
    Win32Window(HINSTANCE instance, Ui& ui, ViewSettingsStore& viewSettings,
                std::filesystem::path helpManual = {}, std::function<bool()> waitCursorShown = {});
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND handle() const noexcept { return window_; }
    // The control's window; nullptr for the bands and the container, which are painted.
    HWND control(app::Control which) const noexcept { return controls_[which]; }
    void Show(int showCommand);
    // Shows at once what waits for the next yield or refresh.
    void showPending();

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

    void buildControls();
    void chainTabOrder();
    void makeFonts();
    HFONT fontFor(app::Control which) const;
    void rescale(int dpi, const RECT& suggested);
    void showLogo();
    RECT pixelsOf(app::Control which) const;
    void paintBackground(HDC dc) const;
    LRESULT colourStatic(HDC dc, HWND control);

    void showCaption(app::Control which, const std::string& caption) override;
    void enableControl(app::Control which, bool enabled) override;
    void showProgress(float percent) override;
    void endEventLoop() override;
    void showCaptions();
    void refresh();
    void refreshSoon();

    std::function<bool()> waitCursorShown_;
    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::array<HWND, app::kControlCount> controls_{};
    std::array<HBRUSH, app::kControlCount> backgrounds_{};
    int dpi_ = 96;
    HFONT controlFont_ = nullptr;
    HFONT titleFont_ = nullptr;
    HBITMAP logo_ = nullptr;
    GridListView gridView_;
    std::array<std::optional<std::string>, app::kControlCount> captions_;  // to show
    bool captionsPosted_ = false;
    std::optional<float> progress_;  // to show
    bool refreshTimerSet_ = false;
};

}  // namespace tolvane::win32app
