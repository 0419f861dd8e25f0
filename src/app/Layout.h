#pragma once

#include <array>

namespace tolvane::app {

// The window's one layout table, from which the Qt and the Win32 window both build their
// widgets: every control with its name, kind, caption, place in twips, parent, place in the
// keyboard's order, font and colours.

enum class ControlKind { Band, Image, Label, Button, Grid, Frame, ProgressBar, Container };

struct Rgb {
    int red, green, blue;
};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kTitleRed{192, 0, 0};
// The one-pixel border of a band.
inline constexpr Rgb kBandBorder{192, 192, 192};

struct Font {
    const char* family;
    int hundredthsOfPoint;
    bool bold;
};
inline constexpr Font kControlFont{"Tahoma", 825, false};
inline constexpr Font kTitleFont{"Tahoma", 1425, true};

// Left, top, width and height in twips, relative to the client area or to the parent.
struct TwipsRect {
    int left, top, width, height;
};

struct ControlEntry {
    const char* name;
    ControlKind kind;
    const char* caption;  // UTF-8; "&" marks a button's access key
    TwipsRect place;
    int parent;  // the frame or container it lies in (its index in kLayout), or kNoParent
    int tab;     // its place in the keyboard's order from 0, or kNoTab when it takes no focus
    const Font* font;
    const Rgb* text;        // nullptr: the system's colour
    const Rgb* background;  // nullptr: the window's own; a band's fill
};
inline constexpr int kNoParent = -1;
inline constexpr int kNoTab = -1;

inline constexpr char kWindowCaption[] = "Tolvane v3.0";
inline constexpr int kClientWidthTwips = 8175;
inline constexpr int kClientHeightTwips = 6135;
inline constexpr char kCopyright[] =
    "Copyright \u00A9 2026 The Tolvane authors. Free to use and share.";
inline constexpr char kConvertCaption[] = "Convert &Messages";
inline constexpr char kStopCaption[] = "&Stop";

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

// From top to bottom, as the window shows them. The bands lie behind every other control.
inline constexpr std::array<ControlEntry, kControlCount> kLayout{{
    // name, kind, caption, place, parent, tab, font, text, background
    {"Shape2",
     ControlKind::Band,
     "",
     {-120, 0, 8415, 855},
     kNoParent,
     kNoTab,
     &kControlFont,
     nullptr,
     &kWhite},
    {"Image1",
     ControlKind::Image,
     "",
     {120, 75, 720, 720},
     kNoParent,
     kNoTab,
     &kControlFont,
     nullptr,
     &kWhite},
    {"lblTitle",
     ControlKind::Label,
     "Tolvane",
     {960, 120, 6255, 375},
     kNoParent,
     kNoTab,
     &kTitleFont,
     &kTitleRed,
     &kWhite},
    {"lblCopyright",
     ControlKind::Label,
     kCopyright,
     {960, 480, 6135, 255},
     kNoParent,
     kNoTab,
     &kControlFont,
     &kBlack,
     &kWhite},
    {"cmdAdd",
     ControlKind::Button,
     "Add Zimbra Mail File(s)...",
     {240, 960, 2415, 375},
     kNoParent,
     0,
     &kControlFont,
     nullptr,
     nullptr},
    {"CmdAddFolder",
     ControlKind::Button,
     "Add Folder having Zimbra Mail File(s)...",
     {2880, 960, 3135, 375},
     kNoParent,
     2,
     &kControlFont,
     nullptr,
     nullptr},
    {"cmdClear1",
     ControlKind::Button,
     "Clear File(s)...",
     {6240, 960, 1695, 375},
     kNoParent,
     1,
     &kControlFont,
     nullptr,
     nullptr},
    {"lblCount1",
     ControlKind::Label,
     "",
     {270, 1560, 7695, 255},
     kNoParent,
     kNoTab,
     &kControlFont,
     nullptr,
     nullptr},
    {"grdFiles1",
     ControlKind::Grid,
     "",
     {240, 1800, 7695, 1575},
     kNoParent,
     3,
     &kControlFont,
     nullptr,
     nullptr},
    {"FrameConversion",
     ControlKind::Frame,
     "Details",
     {240, 3480, 7695, 1335},
     kNoParent,
     kNoTab,
     &kControlFont,
     nullptr,
     nullptr},
    {"LblCurrentDBX",
     ControlKind::Label,
     "Converting Messages...",
     {120, 240, 7455, 255},
     FrameConversion,
     kNoTab,
     &kControlFont,
     nullptr,
     nullptr},
    {"LblProgessCurrent",
     ControlKind::Label,
     "Message 0 (of 0)",
     {1800, 600, 5775, 255},
     FrameConversion,
     kNoTab,
     &kControlFont,
     nullptr,
     nullptr},
    {"Label1",
     ControlKind::Label,
     "Conversion Progress  : ",
     {120, 960, 1695, 255},
     FrameConversion,
     kNoTab,
     &kControlFont,
     nullptr,
     nullptr},
    {"ProgressBar1",
     ControlKind::ProgressBar,
     "",
     {1800, 960, 5775, 255},
     FrameConversion,
     kNoTab,
     &kControlFont,
     nullptr,
     nullptr},
    {"CmdExtractDBX",
     ControlKind::Button,
     kConvertCaption,
     {2880, 4920, 2415, 435},
     kNoParent,
     4,
     &kControlFont,
     nullptr,
     nullptr},
    {"Shape1",
     ControlKind::Band,
     "",
     {0, 5520, 8415, 855},
     kNoParent,
     kNoTab,
     &kControlFont,
     nullptr,
     &kWhite},
    {"Picture3",
     ControlKind::Container,
     "",
     {240, 5640, 7695, 495},
     kNoParent,
     kNoTab,
     &kControlFont,
     nullptr,
     &kWhite},
    {"CmdHelp",
     ControlKind::Button,
     "&Help Manual",
     {0, 0, 1695, 375},
     Picture3,
     6,
     &kControlFont,
     nullptr,
     nullptr},
    {"cmdEnd",
     ControlKind::Button,
     "E&xit",
     {6360, 0, 1335, 375},
     Picture3,
     5,
     &kControlFont,
     nullptr,
     nullptr},
}};

// The controls that take focus, in the keyboard's order; focus starts on the first.
inline constexpr int kTabStops = 7;
constexpr std::array<Control, kTabStops> TabOrder() {
    std::array<Control, kTabStops> order{};
    for (int k = 0; k < kControlCount; ++k) {
        if (kLayout[k].tab != kNoTab) {
            order[kLayout[k].tab] = static_cast<Control>(k);
        }
    }
    return order;
}

// A control's place in the client area: its own place, moved by its parent's.
constexpr TwipsRect PlaceInWindow(Control which) {
    TwipsRect place = kLayout[which].place;
    for (int parent = kLayout[which].parent; parent != kNoParent; parent = kLayout[parent].parent) {
        place.left += kLayout[parent].place.left;
        place.top += kLayout[parent].place.top;
    }
    return place;
}

namespace layout_rules {
// Every tab place from 0 to kTabStops - 1 is taken once, and only buttons and the grid take
// focus; a parent is a frame or a container listed before the controls inside it.
constexpr bool Holds() {
    int taken = 0;
    for (int k = 0; k < kControlCount; ++k) {
        const ControlEntry& c = kLayout[k];
        if (c.tab != kNoTab) {
            if (c.tab < 0 || c.tab >= kTabStops || (taken & (1 << c.tab)) != 0 ||
                (c.kind != ControlKind::Button && c.kind != ControlKind::Grid)) {
                return false;
            }
            taken |= 1 << c.tab;
        }
        if (c.parent != kNoParent &&
            (c.parent >= k || (kLayout[c.parent].kind != ControlKind::Frame &&
                               kLayout[c.parent].kind != ControlKind::Container))) {
            return false;
        }
    }
    return taken == (1 << kTabStops) - 1;
}
}  // namespace layout_rules
static_assert(layout_rules::Holds(), "the layout table's tab order or parents are broken");

}  // namespace tolvane::app
