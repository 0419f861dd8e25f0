#include "win32app/Win32Window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "Resources.h"
#include "app/Twips.h"
#include "platform/win32/WideText.h"
#include "win32app/MonitorDpi.h"

namespace tolvane::win32app {
namespace {

using app::ControlKind;
using app::kLayout;

constexpr wchar_t kWindowClass[] = L"TolvaneFrmStep1";
// The progress bar's own scale, fine enough for fractional values of any range.
constexpr int kBarSteps = 10000;
// Control ids: the control's index in the layout table, from here on.
constexpr int kFirstId = 100;
constexpr UINT_PTR kStopWatchTimer = 1;
constexpr UINT_PTR kRefreshTimer = 2;
// The list and the bar at most this often while a handler runs: each list refresh updates its
// scroll bar, which under Wine costs tens of milliseconds.
constexpr UINT kRefreshMs = 500;
// Posted when a caption waits to be shown; handled at the next yield.
constexpr UINT kShowCaptions = WM_APP + 1;

COLORREF colourOf(const app::Rgb& rgb) {
    return RGB(rgb.red, rgb.green, rgb.blue);
}

HFONT fontOf(const app::Font& font, int dpi) {
    return CreateFontW(-MulDiv(font.hundredthsOfPoint, dpi, 7200), 0, 0, 0,
                       font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, win32::Widen(font.family).c_str());
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance, Ui& ui, ViewSettingsStore& viewSettings,
                         std::filesystem::path helpManual, std::function<bool()> waitCursorShown)
    : frmStep1(ui, viewSettings, std::move(helpManual)),
      waitCursorShown_(std::move(waitCursorShown)),
      instance_(instance),
      gridView_(grid(), [this] { refreshSoon(); }) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32Window::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(kProgramIcon));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);

    for (int k = 0; k < app::kControlCount; ++k) {
        if (kLayout[k].background != nullptr) {
            backgrounds_[k] = CreateSolidBrush(colourOf(*kLayout[k].background));
        }
    }

    // A fixed frame: no resizing, no maximising; the layout never adapts to a size. The window
    // is made first and sized after, at the DPI of the monitor it opens on: per-monitor aware,
    // Windows no longer scales it, and the system's DPI may be another monitor's.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    CreateWindowExW(0, kWindowClass, win32::Widen(app::kWindowCaption).c_str(), style, work.left,
                    work.top, 0, 0, nullptr, nullptr, instance_, this);
    dpi_ = dpiOf(window_);
    makeFonts();
    const RECT frame = frameAround({0, 0, app::TwipsToPixels(app::kClientWidthTwips, dpi_),
                                    app::TwipsToPixels(app::kClientHeightTwips, dpi_)},
                                   style, 0, dpi_);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, work.left + std::max(0L, (work.right - work.left - width) / 2),
                 work.top + std::max(0L, (work.bottom - work.top - height) / 2), width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    buildControls();
    Form_Load();
    SetTimer(window_, kStopWatchTimer, kStopWatchMs, nullptr);
}

Win32Window::~Win32Window() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    DeleteObject(controlFont_);
    DeleteObject(titleFont_);
    for (HBRUSH brush : backgrounds_) {
        if (brush != nullptr) {
            DeleteObject(brush);
        }
    }
    DeleteObject(logo_);
}

void Win32Window::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(controls_[app::TabOrder().front()]);
}

void Win32Window::makeFonts() {
    controlFont_ = fontOf(app::kControlFont, dpi_);
    titleFont_ = fontOf(app::kTitleFont, dpi_);
}

HFONT Win32Window::fontFor(app::Control which) const {
    return kLayout[which].font == &app::kTitleFont ? titleFont_ : controlFont_;
}

// The window moved to a monitor of another DPI (per-monitor awareness): the frame takes the
// rectangle Windows suggests, and every control is placed again from the layout table at the
// new DPI, with fonts made for it. The old fonts go only once no control holds them.
void Win32Window::rescale(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    const HFONT oldControlFont = controlFont_;
    const HFONT oldTitleFont = titleFont_;
    makeFonts();
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int k = 0; k < app::kControlCount; ++k) {
        if (controls_[k] == nullptr) {
            continue;
        }
        const auto which = static_cast<app::Control>(k);
        const RECT r = pixelsOf(which);
        SetWindowPos(controls_[k], nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(controls_[k], WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(which)), TRUE);
    }
    gridView_.rescale(dpi_);
    showLogo();
    DeleteObject(oldControlFont);
    DeleteObject(oldTitleFont);
    InvalidateRect(window_, nullptr, TRUE);
}

// The logo is drawn for 96 dpi; at another it is loaded stretched to the size it has there.
void Win32Window::showLogo() {
    const auto load = [this](int width, int height) {
        return static_cast<HBITMAP>(LoadImageW(instance_, MAKEINTRESOURCEW(kLogoBitmap),
                                               IMAGE_BITMAP, width, height, LR_DEFAULTCOLOR));
    };
    HBITMAP logo = load(0, 0);
    BITMAP drawn{};
    if (dpi_ != 96 && GetObjectW(logo, sizeof drawn, &drawn) != 0) {
        DeleteObject(logo);
        logo = load(MulDiv(drawn.bmWidth, dpi_, 96), MulDiv(drawn.bmHeight, dpi_, 96));
    }
    SendMessageW(controls_[app::Image1], STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(logo));
    DeleteObject(logo_);
    logo_ = logo;
}

RECT Win32Window::pixelsOf(app::Control which) const {
    const app::TwipsRect place = app::PlaceInWindow(which);
    const int x = app::TwipsToPixels(place.left, dpi_);
    const int y = app::TwipsToPixels(place.top, dpi_);
    return {x, y, x + app::TwipsToPixels(place.width, dpi_),
            y + app::TwipsToPixels(place.height, dpi_)};
}

void Win32Window::buildControls() {
    // Every control is a child of the window itself, placed at its container's offset, so its
    // notifications and colours come to this one window procedure. The bands and the white
    // container are painted by the window, behind every control.
    for (int k = 0; k < app::kControlCount; ++k) {
        const app::ControlEntry& entry = kLayout[k];
        const RECT r = pixelsOf(static_cast<app::Control>(k));
        const wchar_t* windowClass = nullptr;
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        switch (entry.kind) {
            case ControlKind::Band:
            case ControlKind::Container:
                continue;
            case ControlKind::Image:
                windowClass = WC_STATICW;
                style |= SS_BITMAP | SS_CENTERIMAGE;
                break;
            case ControlKind::Label:
                // One line each: a caption longer than its label is cut, never wrapped.
                windowClass = WC_STATICW;
                style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
                break;
            case ControlKind::Button:
                windowClass = WC_BUTTONW;
                style |= BS_PUSHBUTTON;
                break;
            case ControlKind::Grid:
                windowClass = WC_LISTVIEWW;
                style |= LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA | LVS_SINGLESEL |
                         LVS_SHOWSELALWAYS | WS_BORDER;
                break;
            case ControlKind::Frame:
                // A group box paints only its line and caption; the rows inside lie above it.
                windowClass = WC_BUTTONW;
                style = (style & ~WS_CLIPSIBLINGS) | BS_GROUPBOX;
                break;
            case ControlKind::ProgressBar:
                windowClass = PROGRESS_CLASSW;
                break;
        }
        if (entry.tab != app::kNoTab) {
            style |= WS_TABSTOP;
        }
        HWND control = CreateWindowExW(0, windowClass, win32::Widen(entry.caption).c_str(), style,
                                       r.left, r.top, r.right - r.left, r.bottom - r.top, window_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstId + k)),
                                       instance_, nullptr);
        controls_[k] = control;
        SendMessageW(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(fontFor(static_cast<app::Control>(k))), FALSE);
    }

    showLogo();
    gridView_.attach(controls_[app::grdFiles1], dpi_);
    SendMessageW(controls_[app::ProgressBar1], PBM_SETRANGE32, 0, kBarSteps);
    chainTabOrder();
}

void Win32Window::chainTabOrder() {
    // Tab follows the order of the window's children: each placed after the one before it.
    HWND previous = HWND_TOP;
    for (const app::Control which : app::TabOrder()) {
        SetWindowPos(controls_[which], previous, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = controls_[which];
    }
    // The frame goes behind every other control, as the bands do.
    SetWindowPos(controls_[app::FrameConversion], HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Window::paintBackground(HDC dc) const {
    HPEN border = CreatePen(PS_SOLID, 1, colourOf(app::kBandBorder));
    const HGDIOBJ oldPen = SelectObject(dc, border);
    for (int k = 0; k < app::kControlCount; ++k) {
        const RECT r = pixelsOf(static_cast<app::Control>(k));
        if (kLayout[k].kind == ControlKind::Band) {
            const HGDIOBJ oldBrush = SelectObject(dc, backgrounds_[k]);
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
            SelectObject(dc, oldBrush);
        } else if (kLayout[k].kind == ControlKind::Container) {
            FillRect(dc, &r, backgrounds_[k]);
        }
    }
    SelectObject(dc, oldPen);
    DeleteObject(border);
}

LRESULT Win32Window::colourStatic(HDC dc, HWND control) {
    for (int k = 0; k < app::kControlCount; ++k) {
        if (controls_[k] == control && backgrounds_[k] != nullptr) {
            const app::Rgb& text = kLayout[k].text != nullptr ? *kLayout[k].text : app::kBlack;
            SetTextColor(dc, colourOf(text));
            SetBkColor(dc, colourOf(*kLayout[k].background));
            return reinterpret_cast<LRESULT>(backgrounds_[k]);
        }
    }
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT Win32Window::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND: {
            const int index = LOWORD(w) - kFirstId;
            if (HIWORD(w) == BN_CLICKED && index >= 0 && index < app::kControlCount) {
                Click(static_cast<app::Control>(index));
                showPending();
            }
            return 0;
        }
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(l);
            if (header.hwndFrom == controls_[app::grdFiles1] && header.code == LVN_GETDISPINFOW) {
                gridView_.fill(*reinterpret_cast<NMLVDISPINFOW*>(l));
            }
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            paintBackground(dc);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_DPICHANGED:
            rescale(HIWORD(w), *reinterpret_cast<const RECT*>(l));
            return 0;
        case WM_CTLCOLORSTATIC:
            return colourStatic(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l));
        case WM_SETCURSOR:
            if (waitCursorShown_ && waitCursorShown_()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            // The close box never asks and is never refused.
            Unload();
            return 0;
        case WM_TIMER:
            if (w == kStopWatchTimer) {
                StopWatch_Timer();
            } else if (w == kRefreshTimer) {
                refresh();
            }
            return 0;
        case kShowCaptions:
            showCaptions();
            return 0;
        case WM_ENTERIDLE:
            // A modal box a handler opened waits for the user: it shows over the window as
            // the handler left it.
            showPending();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, w, l);
}

void Win32Window::showCaption(app::Control which, const std::string& caption) {
    if (kLayout[which].kind == ControlKind::Button) {
        SetWindowTextW(controls_[which], win32::Widen(caption).c_str());
        return;
    }
    captions_[which] = caption;
    if (!captionsPosted_) {
        captionsPosted_ = PostMessageW(window_, kShowCaptions, 0, 0) != FALSE;
    }
}

void Win32Window::enableControl(app::Control which, bool enabled) {
    EnableWindow(controls_[which], enabled ? TRUE : FALSE);
}

void Win32Window::showProgress(float percent) {
    progress_ = percent;
    refreshSoon();
}

void Win32Window::showPending() {
    showCaptions();
    refresh();
}

void Win32Window::showCaptions() {
    captionsPosted_ = false;
    for (int k = 0; k < app::kControlCount; ++k) {
        if (captions_[k]) {
            SetWindowTextW(controls_[k], win32::Widen(*captions_[k]).c_str());
            captions_[k].reset();
        }
    }
}

void Win32Window::refreshSoon() {
    if (!refreshTimerSet_) {
        refreshTimerSet_ = SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr) != 0;
    }
}

void Win32Window::refresh() {
    if (refreshTimerSet_) {
        KillTimer(window_, kRefreshTimer);
        refreshTimerSet_ = false;
    }
    if (progress_) {
        SendMessageW(controls_[app::ProgressBar1], PBM_SETPOS,
                     static_cast<WPARAM>(std::lround(*progress_ / 100.0 * kBarSteps)), 0);
        progress_.reset();
    }
    gridView_.show();
}

void Win32Window::endEventLoop() {
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

}  // namespace tolvane::win32app
