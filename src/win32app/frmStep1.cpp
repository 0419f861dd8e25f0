#include "win32app/frmStep1.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <exception>

#include "Resources.h"
#include "platform/win32/WideText.h"
#include "queue/AddFilesCommand.h"
#include "queue/AddFolderCommand.h"
#include "queue/AsAppError.h"
#include "queue/ClearFilesCommand.h"
#include "queue/MessageBoxes.h"
#include "shell/ShellHelpers.h"
#include "win32app/HelpManual.h"

namespace tolvane::win32app {
namespace {

constexpr wchar_t kWindowClass[] = L"TolvaneFrmStep1";
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBandBorder = RGB(192, 192, 192);
constexpr COLORREF kTitleRed = RGB(192, 0, 0);
// The progress bar's own scale, fine enough for fractional values of any range.
constexpr int kBarSteps = 10000;
// Control ids: the control's index in the layout table, from here on.
constexpr int kFirstId = 100;
// The watch for the system's requests to stop.
constexpr UINT_PTR kStopWatchTimer = 1;
constexpr UINT kStopWatchMs = 200;

int idOf(Control which) {
    return kFirstId + which;
}

// Tahoma at a size in hundredths of a point (8.25 pt is 825).
HFONT tahoma(int hundredthsOfPoint, int weight, int dpi) {
    return CreateFontW(-MulDiv(hundredthsOfPoint, dpi, 7200), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

}  // namespace

frmStep1::frmStep1(HINSTANCE instance, Ui& ui, queue::ViewSettingsStore& viewSettings,
                   std::function<bool()> waitCursorShown)
    : ui_(ui),
      viewSettings_(viewSettings),
      waitCursorShown_(std::move(waitCursorShown)),
      instance_(instance),
      cells_({.rowsChanged =
                  [this](int rows) {
                      if (HWND grid = controls_[grdFiles1]) {
                          ListView_SetItemCountEx(grid, rows,
                                                  LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
                          InvalidateRect(grid, nullptr, FALSE);
                      }
                  },
              .rowChanged =
                  [this](int row) {
                      if (HWND grid = controls_[grdFiles1]) {
                          ListView_RedrawItems(grid, row, row);
                      }
                  },
              .currentChanged =
                  [this](int row) {
                      if (HWND grid = controls_[grdFiles1]) {
                          ListView_SetItemState(grid, row, LVIS_SELECTED | LVIS_FOCUSED,
                                                LVIS_SELECTED | LVIS_FOCUSED);
                      }
                  },
              .widthChanged =
                  [this](int col, int twips) {
                      if (HWND grid = controls_[grdFiles1]) {
                          ListView_SetColumnWidth(grid, col, TwipsToPixels(twips, dpi_));
                      }
                  }}),
      fileQueue_(
          cells_, [this](const std::string& caption) { setCaption(lblCount1, caption); },
          workingPathList_) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &frmStep1::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(kProgramIcon));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(kProgramIcon), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);

    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    controlFont_ = tahoma(825, FW_NORMAL, dpi_);
    titleFont_ = tahoma(1425, FW_BOLD, dpi_);
    white_ = CreateSolidBrush(kWhite);
    logo_ = static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(kLogoBitmap), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));

    // A fixed frame: no resizing, no maximising; the layout never adapts to a size.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, dpi_),
               TwipsToPixels(kClientHeightTwips, dpi_)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    CreateWindowExW(0, kWindowClass, kCaption, style,
                    work.left + std::max(0L, (work.right - work.left - width) / 2),
                    work.top + std::max(0L, (work.bottom - work.top - height) / 2), width, height,
                    nullptr, nullptr, instance_, this);
    buildControls();
    Form_Load();
}

frmStep1::~frmStep1() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    DeleteObject(controlFont_);
    DeleteObject(titleFont_);
    DeleteObject(white_);
    DeleteObject(logo_);
}

void frmStep1::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(controls_[cmdAdd]);
}

RECT frmStep1::pixelsOf(const ControlPlace& place) const {
    int left = place.left;
    int top = place.top;
    if (place.container >= 0) {
        left += kLayout[place.container].left;
        top += kLayout[place.container].top;
    }
    const int x = TwipsToPixels(left, dpi_);
    const int y = TwipsToPixels(top, dpi_);
    return {x, y, x + TwipsToPixels(place.width, dpi_), y + TwipsToPixels(place.height, dpi_)};
}

void frmStep1::buildControls() {
    // Every control is a child of the window itself, placed at its container's offset, so its
    // notifications and colours come to this one window procedure. The bands and the white
    // container are painted by the window, behind every control.
    for (int k = 0; k < kControlCount; ++k) {
        const ControlPlace& place = kLayout[k];
        const RECT r = pixelsOf(place);
        const wchar_t* windowClass = nullptr;
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD extended = 0;
        switch (place.kind) {
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
                style |= BS_PUSHBUTTON | WS_TABSTOP;
                break;
            case ControlKind::Grid:
                windowClass = WC_LISTVIEWW;
                style |= LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA | LVS_SINGLESEL |
                         LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER;
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
        HWND control = CreateWindowExW(
            extended, windowClass, place.caption, style, r.left, r.top, r.right - r.left,
            r.bottom - r.top, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(idOf(static_cast<Control>(k)))), instance_,
            nullptr);
        controls_[k] = control;
        SendMessageW(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(k == lblTitle ? titleFont_ : controlFont_), FALSE);
    }

    SendMessageW(controls_[Image1], STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logo_));

    HWND grid = controls_[grdFiles1];
    ListView_SetExtendedListViewStyle(grid, LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = TwipsToPixels(cells_.ColWidth(0), dpi_);
    ListView_InsertColumn(grid, 0, &column);
    ListView_SetItemCountEx(grid, cells_.Rows(), LVSICF_NOINVALIDATEALL);

    SendMessageW(controls_[ProgressBar1], PBM_SETRANGE32, 0, kBarSteps);
    SetWindowTextW(controls_[CmdExtractDBX], kConvertCaption);
    EnableWindow(controls_[CmdExtractDBX], FALSE);
    chainTabOrder();
}

void frmStep1::chainTabOrder() {
    // Tab follows the order of the window's children: each placed after the one before it.
    HWND previous = HWND_TOP;
    for (const Control which : kTabOrder) {
        SetWindowPos(controls_[which], previous, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = controls_[which];
    }
    // The frame goes behind every other control, as the bands do.
    SetWindowPos(controls_[FrameConversion], HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void frmStep1::Form_Load() {
    cells_.ColWidth(0, queue::FileQueue::kColumnWidthTwips);
}

void frmStep1::paintBands(HDC dc) const {
    HPEN border = CreatePen(PS_SOLID, 1, kBandBorder);
    const HGDIOBJ oldPen = SelectObject(dc, border);
    const HGDIOBJ oldBrush = SelectObject(dc, white_);
    for (const Control band : {Shape2, Shape1}) {
        const RECT r = pixelsOf(kLayout[band]);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(border);
    const RECT container = pixelsOf(kLayout[Picture3]);
    FillRect(dc, &container, white_);
}

LRESULT CALLBACK frmStep1::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<frmStep1*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<frmStep1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT frmStep1::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(w), HIWORD(w));
            return 0;
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<const NMHDR*>(l));
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            paintBands(dc);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(w);
            const HWND control = reinterpret_cast<HWND>(l);
            if (control == controls_[lblTitle] || control == controls_[lblCopyright] ||
                control == controls_[Image1]) {
                SetTextColor(dc, control == controls_[lblTitle] ? kTitleRed : RGB(0, 0, 0));
                SetBkColor(dc, kWhite);
                return reinterpret_cast<LRESULT>(white_);
            }
            break;
        }
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
            // A hang-up, interrupt or termination request closes the window like its close
            // box: a run under way stops at its next yield with its PST committed and named.
            if (w == kStopWatchTimer && stopAsked_ && stopAsked_()) {
                Unload();
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, w, l);
}

void frmStep1::onCommand(int id, int code) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (id - kFirstId) {
        case cmdAdd:
            runHandler(&frmStep1::cmdAdd_Click);
            break;
        case CmdAddFolder:
            runHandler(&frmStep1::CmdAddFolder_Click);
            break;
        case cmdClear1:
            runHandler(&frmStep1::cmdClear1_Click);
            break;
        case CmdExtractDBX:
            runHandler(&frmStep1::CmdExtractDBX_Click);
            break;
        case CmdHelp:
            runHandler(&frmStep1::CmdHelp_Click);
            break;
        case cmdEnd:
            runHandler(&frmStep1::cmdEnd_Click);
            break;
        default:
            break;
    }
}

LRESULT frmStep1::onNotify(const NMHDR& header) {
    if (header.hwndFrom != controls_[grdFiles1] || header.code != LVN_GETDISPINFOW) {
        return 0;
    }
    // The virtual list-view asks for the text of each row it draws.
    auto& item = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header)).item;
    if ((item.mask & LVIF_TEXT) != 0 && item.cchTextMax > 0) {
        cellText_ = win32::Widen(cells_.CellText(item.iItem, item.iSubItem));
        const std::size_t n =
            std::min(cellText_.size(), static_cast<std::size_t>(item.cchTextMax - 1));
        std::copy_n(cellText_.data(), n, item.pszText);
        item.pszText[n] = L'\0';
    }
    return 0;
}

void frmStep1::runHandler(void (frmStep1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& failure) {
        if (!unloaded_) {
            ui_.messageBox(queue::WarningBox(queue::AsAppError(failure).numberColonDescription()));
        }
    }
}

void frmStep1::cmdAdd_Click() {
    queue::AddMessageFiles(*this, viewSettings_);
}

void frmStep1::CmdAddFolder_Click() {
    queue::AddFolder(*this);
}

void frmStep1::cmdClear1_Click() {
    queue::ClearFiles(*this);
}

void frmStep1::CmdExtractDBX_Click() {
    if (converting_) {
        if (stopJob_) {
            stopJob_();
        }
        return;
    }
    if (convertJob_) {
        convertJob_();
    }
}

void frmStep1::CmdHelp_Click() {
    const std::string manual = HelpManualPath();
    if (!manual.empty() && shell::OpenDocument(ui_, manual)) {
        return;
    }
    ui_.messageBox(queue::WarningBox(
        manual.empty()
            ? "The Help manual was not found. It is help.html, beside the program or in the docs "
              "folder of its source."
            : "No browser could open the Help manual. You can open it yourself: " + manual));
}

void frmStep1::cmdEnd_Click() {
    if (ui_.messageBox(queue::QuestionBox(kExitQuestion)) == MsgResult::Yes) {
        Unload();
    }
}

void frmStep1::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

void frmStep1::setCaption(Control which, const std::string& caption) {
    SetWindowTextW(controls_[which], win32::Widen(caption).c_str());
}

void frmStep1::setConvertEnabled(bool enabled) {
    EnableWindow(controls_[CmdExtractDBX], enabled ? TRUE : FALSE);
}

std::int64_t frmStep1::rowCount() const {
    return cells_.Rows();
}

std::string frmStep1::selectRow(std::int64_t row) {
    return fileQueue_.SelectRow(row);
}

std::optional<FileStamp> frmStep1::queuedStamp(std::int64_t row) const {
    return fileQueue_.QueuedStamp(row);
}

void frmStep1::runStarted() {
    converting_ = true;
    showBar(0);
    SetWindowTextW(controls_[CmdExtractDBX], kStopCaption);
    EnableWindow(controls_[CmdExtractDBX], TRUE);
}

void frmStep1::runProgressed(const convert::JobProgress& progress) {
    setCaption(FrameConversion, "Details : Converting - (" + std::to_string(progress.done) +
                                    " of " + std::to_string(progress.total) + ") file(s)");
    setCaption(LblCurrentDBX, "Converting Messages... from (" + progress.folder + ")");
    showBar(static_cast<double>(progress.done) / static_cast<double>(progress.total) * 100.0);
}

void frmStep1::runEnded(const convert::RunResult& result) {
    converting_ = false;
    SetWindowTextW(controls_[CmdExtractDBX], kConvertCaption);
    // A run that took up messages leaves Convert disabled until files are queued again.
    EnableWindow(controls_[CmdExtractDBX], result.taken == 0 ? TRUE : FALSE);
}

void frmStep1::showBar(double percent) {
    const double share = std::isnan(percent) ? 0.0 : std::clamp(percent, 0.0, 100.0) / 100.0;
    SendMessageW(controls_[ProgressBar1], PBM_SETPOS,
                 static_cast<WPARAM>(std::lround(share * kBarSteps)), 0);
}

void frmStep1::setStopWatch(std::function<bool()> stopAsked) {
    stopAsked_ = std::move(stopAsked);
    SetTimer(window_, kStopWatchTimer, kStopWatchMs, nullptr);
}

}  // namespace tolvane::win32app
