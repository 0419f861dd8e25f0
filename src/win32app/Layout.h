#pragma once

#include <array>

namespace tolvane::win32app {

enum class ControlKind { Band, Image, Label, Button, Grid, Frame, ProgressBar, Container };

// The window's controls as the layout table gives them: left, top, width and height in twips,
// relative to the client area or, for a row inside a container, to that container.
struct ControlPlace {
    const char* name;
    ControlKind kind;
    const wchar_t* caption;
    int left, top, width, height;
    int container = -1;  // index of the container in kLayout, or -1
};

// The client area, in twips.
inline constexpr int kClientWidthTwips = 8175;
inline constexpr int kClientHeightTwips = 6135;

// Index of each control in kLayout.
enum Control : int {
    Shape2,
    Image1,
    lblTitle,
    lblCopyright,
    cmdAdd,
    CmdAddFolder,
    cmdClear1,
    lblCount1,
    grdFiles1,
    FrameConversion,
    LblCurrentDBX,
    LblProgessCurrent,
    Label1,
    ProgressBar1,
    CmdExtractDBX,
    Shape1,
    Picture3,
    CmdHelp,
    cmdEnd,
    kControlCount
};

inline constexpr wchar_t kCopyright[] =
    L"Copyright \u00A9 2026 The Tolvane authors. Free to use and share.";

// From top to bottom, as the window shows them.
inline constexpr std::array<ControlPlace, kControlCount> kLayout{{
    {"Shape2", ControlKind::Band, L"", -120, 0, 8415, 855},
    {"Image1", ControlKind::Image, L"", 120, 75, 720, 720},
    {"lblTitle", ControlKind::Label, L"Tolvane", 960, 120, 6255, 375},
    {"lblCopyright", ControlKind::Label, kCopyright, 960, 480, 6135, 255},
    {"cmdAdd", ControlKind::Button, L"Add Zimbra Mail File(s)...", 240, 960, 2415, 375},
    {"CmdAddFolder", ControlKind::Button, L"Add Folder having Zimbra Mail File(s)...", 2880, 960,
     3135, 375},
    {"cmdClear1", ControlKind::Button, L"Clear File(s)...", 6240, 960, 1695, 375},
    {"lblCount1", ControlKind::Label, L"", 270, 1560, 7695, 255},
    {"grdFiles1", ControlKind::Grid, L"", 240, 1800, 7695, 1575},
    {"FrameConversion", ControlKind::Frame, L"Details", 240, 3480, 7695, 1335},
    {"LblCurrentDBX", ControlKind::Label, L"Converting Messages...", 120, 240, 7455, 255,
     FrameConversion},
    {"LblProgessCurrent", ControlKind::Label, L"Message 0 (of 0)", 1800, 600, 5775, 255,
     FrameConversion},
    {"Label1", ControlKind::Label, L"Conversion Progress  : ", 120, 960, 1695, 255,
     FrameConversion},
    {"ProgressBar1", ControlKind::ProgressBar, L"", 1800, 960, 5775, 255, FrameConversion},
    {"CmdExtractDBX", ControlKind::Button, L"Convert &Messages", 2880, 4920, 2415, 435},
    {"Shape1", ControlKind::Band, L"", 0, 5520, 8415, 855},
    {"Picture3", ControlKind::Container, L"", 240, 5640, 7695, 495},
    {"CmdHelp", ControlKind::Button, L"&Help Manual", 0, 0, 1695, 375, Picture3},
    {"cmdEnd", ControlKind::Button, L"E&xit", 6360, 0, 1335, 375, Picture3},
}};

// Keyboard focus moves in this order; it starts on the first.
inline constexpr std::array<Control, 7> kTabOrder{cmdAdd,        cmdClear1, CmdAddFolder, grdFiles1,
                                                  CmdExtractDBX, cmdEnd,    CmdHelp};

// 1440 twips make an inch; at 96 dots per inch 15 twips are one pixel. Rounds halves away
// from zero.
constexpr int TwipsToPixels(int twips, int dpi = 96) noexcept {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>((scaled + (scaled < 0 ? -720 : 720)) / 1440);
}

}  // namespace tolvane::win32app
