// The Win32 window with real controls (under Wine in the Windows tests), driven through its
// buttons with the scripted UI double.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Win32TempFolder.h"
#include "app/Layout.h"
#include "app/Twips.h"
#include "platform/ScriptedUi.h"
#include "platform/win32/WideText.h"
#include "win32app/Win32Window.h"

namespace tolvane::win32app {
namespace {

using namespace app;

// View settings in memory, so the tests touch no registry.
class MemorySettings : public ViewSettingsStore {
  public:
    std::uint32_t read(const std::string& name) override {
        const auto found = values.find(name);
        if (found == values.end()) {
            throw AppError(5, "no value " + name);
        }
        return found->second;
    }
    void write(const std::string& name, std::uint32_t value) override { values[name] = value; }
    std::map<std::string, std::uint32_t> values;
};

std::string textOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return win32::Narrow(text);
}

// What a yield does with the thread's messages: each one dispatched.
void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The rectangle of a control in the window's client area, in pixels.
RECT placeOf(HWND window, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string utf8(const std::filesystem::path& path) {
    return win32::Narrow(path.wstring());
}

class Window : public ::testing::Test {
  protected:
    Window()
        : manual(writeManual(folder)), window(GetModuleHandleW(nullptr), ui, settings, manual) {}

    static std::filesystem::path writeManual(const testing::TempFolder& folder) {
        const std::filesystem::path file = folder.path() / L"help.html";
        std::ofstream(file) << "<html></html>\n";
        return file;
    }

    HWND at(Control which) const { return window.control(which); }
    void click(Control which) { SendMessageW(at(which), BM_CLICK, 0, 0); }
    int gridRows() const { return ListView_GetItemCount(at(grdFiles1)); }
    std::string gridText(int row) const {
        wchar_t text[1024] = {};
        ListView_GetItemText(at(grdFiles1), row, 0, text, 1024);
        return win32::Narrow(text);
    }

    // Every control where the layout table puts it at `dpi`, in its font's height there.
    void expectLayoutAt(int dpi) const {
        int checked = 0;
        for (int k = 0; k < kControlCount; ++k) {
            const ControlEntry& entry = kLayout[k];
            if (at(static_cast<Control>(k)) == nullptr) {
                continue;  // the bands and the white container are painted, not controls
            }
            const TwipsRect& place = entry.place;
            const int left =
                place.left + (entry.parent >= 0 ? kLayout[entry.parent].place.left : 0);
            const int top = place.top + (entry.parent >= 0 ? kLayout[entry.parent].place.top : 0);
            const RECT r = placeOf(window.handle(), at(static_cast<Control>(k)));
            EXPECT_EQ(r.left, TwipsToPixels(left, dpi)) << entry.name;
            EXPECT_EQ(r.top, TwipsToPixels(top, dpi)) << entry.name;
            EXPECT_EQ(r.right - r.left, TwipsToPixels(place.width, dpi)) << entry.name;
            EXPECT_EQ(r.bottom - r.top, TwipsToPixels(place.height, dpi)) << entry.name;
            if (entry.kind == ControlKind::Image) {
                ++checked;
                continue;  // the logo shows no text: no font
            }
            LOGFONTW font{};
            ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(
                                     SendMessageW(at(static_cast<Control>(k)), WM_GETFONT, 0, 0)),
                                 sizeof font, &font),
                      0)
                << entry.name;
            EXPECT_EQ(font.lfHeight, -MulDiv(entry.font->hundredthsOfPoint, dpi, 7200))
                << entry.name;
            ++checked;
        }
        EXPECT_EQ(checked, kControlCount - 3);
    }

    testing::ScriptedUi ui;
    MemorySettings settings;
    testing::TempFolder folder{L"tolvane-window"};
    std::filesystem::path manual;
    Win32Window window;
};

// Moved to a 144-dpi monitor and back: the frame takes the rectangle Windows suggests, every
// control its place and font at the new DPI, the queue's column its width, the logo (drawn 48
// pixels square for 96 dpi) its size.
TEST_F(Window, AMoveToAMonitorOfAnotherDpiScalesEveryControlAndFont) {
    const auto logoSide = [this] {
        BITMAP logo{};
        GetObjectW(
            reinterpret_cast<HBITMAP>(SendMessageW(at(Image1), STM_GETIMAGE, IMAGE_BITMAP, 0)),
            sizeof logo, &logo);
        return std::pair(logo.bmWidth, logo.bmHeight);
    };
    const auto moveTo = [this](int dpi, RECT suggested) {
        SendMessageW(window.handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT frame{};
        GetWindowRect(window.handle(), &frame);
        EXPECT_EQ(frame.left, suggested.left);
        EXPECT_EQ(frame.top, suggested.top);
        EXPECT_EQ(frame.right, suggested.right);
        EXPECT_EQ(frame.bottom, suggested.bottom);
    };
    const int columnTwips = window.grid().ColWidth(0);
    // Rectangles that fit the test's screen: a frame is never made larger than the screen.
    moveTo(144, RECT{40, 30, 840, 630});
    expectLayoutAt(144);
    EXPECT_EQ(ListView_GetColumnWidth(at(grdFiles1), 0), TwipsToPixels(columnTwips, 144));
    EXPECT_EQ(logoSide(), std::pair(72L, 72L));
    moveTo(96, RECT{20, 10, 720, 560});
    expectLayoutAt(96);
    EXPECT_EQ(ListView_GetColumnWidth(at(grdFiles1), 0), TwipsToPixels(columnTwips, 96));
    EXPECT_EQ(logoSide(), std::pair(48L, 48L));
}

// Per-monitor aware, the window is not scaled by Windows: it opens laid out at the DPI the
// system gives it (its monitor's), whatever that is, its client area the layout's size there.
TEST_F(Window, ItOpensLaidOutAtTheDpiTheSystemGivesIt) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    const auto dpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    ASSERT_NE(dpiForWindow, nullptr);
    const int dpi = static_cast<int>(dpiForWindow(window.handle()));
    ASSERT_GT(dpi, 0);
    RECT client{};
    GetClientRect(window.handle(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips, dpi));
    expectLayoutAt(dpi);
}

TEST_F(Window, ControlsStandWhereTheLayoutTablePutsThemWithTheirCaptions) {
    RECT client{};
    GetClientRect(window.handle(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips));
    EXPECT_EQ(textOf(window.handle()), "Tolvane v3.0");

    expectLayoutAt(96);
    // The rows inside the frame and the bottom bar sit at their container's offset.
    EXPECT_EQ(placeOf(window.handle(), at(cmdEnd)).left, TwipsToPixels(240 + 6360));
    EXPECT_EQ(placeOf(window.handle(), at(LblProgessCurrent)).top, TwipsToPixels(3480 + 600));

    EXPECT_EQ(textOf(at(FrameConversion)), "Details");
    EXPECT_EQ(textOf(at(LblCurrentDBX)), "Converting Messages...");
    EXPECT_EQ(textOf(at(LblProgessCurrent)), "Message 0 (of 0)");
    EXPECT_EQ(textOf(at(Label1)), "Conversion Progress  : ");
    EXPECT_EQ(textOf(at(CmdExtractDBX)), "Convert &Messages");
    EXPECT_EQ(textOf(at(lblCount1)), "");
    EXPECT_FALSE(IsWindowEnabled(at(CmdExtractDBX)));
    EXPECT_TRUE(IsWindowEnabled(at(cmdAdd)));
    EXPECT_EQ(gridRows(), 1);
    EXPECT_EQ(gridText(0), "");
    EXPECT_EQ(SendMessageW(at(ProgressBar1), PBM_GETPOS, 0, 0), 0);
}

TEST_F(Window, EveryControlButTheTitleIsTahoma825AndTheTitleIsBold1425) {
    for (int k = 0; k < kControlCount; ++k) {
        HWND control = at(static_cast<Control>(k));
        if (control == nullptr || kLayout[k].kind == ControlKind::Image) {
            continue;  // painted, or a picture: no text
        }
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_NE(handle, nullptr) << kLayout[k].name;
        GetObjectW(handle, sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"Tahoma") << kLayout[k].name;
        // Points to pixels at 96 dots per inch: 8.25 pt is 11 px, 14.25 pt is 19 px.
        EXPECT_EQ(-font.lfHeight, k == lblTitle ? 19 : 11) << kLayout[k].name;
        EXPECT_EQ(font.lfWeight, k == lblTitle ? FW_BOLD : FW_NORMAL) << kLayout[k].name;
    }
}

TEST_F(Window, TabOrderFollowsTheButtonsAndTheGridAsListed) {
    std::string order;
    for (HWND child = GetWindow(window.handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0) {
            for (int k = 0; k < kControlCount; ++k) {
                if (at(static_cast<Control>(k)) == child) {
                    order += std::string(order.empty() ? "" : " ") + kLayout[k].name;
                }
            }
        }
    }
    EXPECT_EQ(order, "cmdAdd cmdClear1 CmdAddFolder grdFiles1 CmdExtractDBX cmdEnd CmdHelp");
}

TEST_F(Window, AddFilesQueuesTheChosenFilesIntoTheGridAndEnablesConvert) {
    const char chosen[] = "C:\\Mail\0a.eml\0\xC3\xA9t\xC3\xA9.eml";
    ui.answerFiles(std::string(chosen, sizeof chosen - 1));
    click(cmdAdd);
    EXPECT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_EQ(gridRows(), 2);
    EXPECT_EQ(gridText(0), "C:\\Mail\\a.eml");
    EXPECT_EQ(gridText(1), "C:\\Mail\\\xC3\xA9t\xC3\xA9.eml");
    EXPECT_EQ(textOf(at(lblCount1)), "2 Zimbra Messages");
    EXPECT_TRUE(IsWindowEnabled(at(CmdExtractDBX)));
    // The view settings went to the store the window was given.
    EXPECT_EQ(settings.values.size(), 3u);
    // The grid's one column is 15000 twips wide, as Load sets it.
    EXPECT_EQ(ListView_GetColumnWidth(at(grdFiles1), 0), TwipsToPixels(15000));
}

TEST_F(Window, ClearAsksThenEmptiesTheQueueOnYesOnly) {
    click(cmdClear1);
    EXPECT_TRUE(ui.messageBoxes.empty());  // nothing queued: no question

    ui.answerFiles("C:\\Mail\\a.eml");
    click(cmdAdd);
    ui.messageBoxAnswers.push_back(MsgResult::No);
    click(cmdClear1);
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text,
              "Do you want to clear all the files in the list\r\n Proceed?");
    EXPECT_EQ(gridRows(), 1);
    EXPECT_EQ(gridText(0), "C:\\Mail\\a.eml");

    ui.messageBoxAnswers.push_back(MsgResult::Yes);
    click(cmdClear1);
    EXPECT_EQ(gridRows(), 1);
    EXPECT_EQ(gridText(0), "");
    EXPECT_EQ(textOf(at(lblCount1)), "0 files");
    EXPECT_TRUE(IsWindowEnabled(at(CmdExtractDBX)));  // the clear leaves Convert as it was
}

TEST_F(Window, ExitAsksAndOnlyYesUnloads) {
    window.Show(SW_SHOWNORMAL);
    ui.messageBoxAnswers.push_back(MsgResult::No);
    click(cmdEnd);
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "Are you sure you want to exit now?");
    EXPECT_EQ(ui.messageBoxes[0].icon, MsgIcon::Question);
    EXPECT_FALSE(window.unloaded());
    EXPECT_TRUE(IsWindowVisible(window.handle()));

    ui.messageBoxAnswers.push_back(MsgResult::Yes);
    click(cmdEnd);
    EXPECT_TRUE(window.unloaded());
    EXPECT_FALSE(IsWindowVisible(window.handle()));
    MSG quit{};
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Window, TheCloseBoxUnloadsWithoutAsking) {
    window.Show(SW_SHOWNORMAL);
    SendMessageW(window.handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.unloaded());
    EXPECT_TRUE(ui.messageBoxes.empty());
    MSG quit{};
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

TEST_F(Window, HelpOpensTheManualOrSaysWhereItIs) {
    click(CmdHelp);
    click(CmdHelp);
    EXPECT_EQ(ui.openedUrls, (std::vector<std::string>{utf8(manual), utf8(manual)}));
    EXPECT_TRUE(ui.messageBoxes.empty());

    ui.urlsOpen = false;  // no browser
    click(CmdHelp);
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text,
              "No browser could open the Help manual. You can open it yourself: " + utf8(manual));

    std::filesystem::remove(manual);
    click(CmdHelp);
    EXPECT_EQ(ui.openedUrls.size(), 3u);
    ASSERT_EQ(ui.messageBoxes.size(), 2u);
    EXPECT_EQ(ui.messageBoxes[1].text, "The Help manual was not found at " + utf8(manual) + ".");
}

TEST_F(Window, ARunShowsItsProgressAndConvertReadsStopWhileItRuns) {
    bool stopped = false;
    int runs = 0;
    window.setConvertJob([&] { ++runs; }, [&] { stopped = true; });
    window.runStarted();
    EXPECT_EQ(textOf(at(CmdExtractDBX)), "&Stop");
    EXPECT_TRUE(IsWindowEnabled(at(CmdExtractDBX)));
    convert::JobProgress progress;
    progress.done = 1;
    progress.total = 4;
    progress.folder = "\\\\Zimbra Mails\\Inbox";
    window.runProgressed(progress);
    // The captions show at the next yield, the bar with the next refresh, or when the handler
    // returns or a modal box it opened waits for the user.
    pumpMessages();
    EXPECT_EQ(textOf(at(FrameConversion)), "Details : Converting - (1 of 4) file(s)");
    EXPECT_EQ(textOf(at(LblCurrentDBX)), "Converting Messages... from (\\\\Zimbra Mails\\Inbox)");
    SendMessageW(window.handle(), WM_ENTERIDLE, MSGF_DIALOGBOX, 0);
    EXPECT_EQ(SendMessageW(at(ProgressBar1), PBM_GETPOS, 0, 0), 2500);

    click(CmdExtractDBX);  // Stop
    EXPECT_TRUE(stopped);
    EXPECT_EQ(runs, 0);

    convert::RunResult result;
    result.taken = 1;
    window.runEnded(result);
    EXPECT_EQ(textOf(at(CmdExtractDBX)), "Convert &Messages");
    EXPECT_FALSE(IsWindowEnabled(at(CmdExtractDBX)));  // until files are queued again
}

// The buttons that answer now, in the keyboard's order.
std::string enabledButtons(const Win32Window& window) {
    std::string names;
    for (const Control button : TabOrder()) {
        if (button != grdFiles1 && IsWindowEnabled(window.control(button))) {
            names += std::string(names.empty() ? "" : " ") + kLayout[button].name;
        }
    }
    return names;
}

TEST_F(Window, FromTheConvertClickToTheRunsEndTheQueueCannotBeChanged) {
    ui.answerFiles("C:\\Mail\\a.eml");
    click(cmdAdd);
    std::vector<std::string> seen;
    const auto tryTheQueueButtons = [&] {
        ui.messageBoxAnswers = {MsgResult::Yes};
        ui.folderAnswers = {utf8(folder.path())};
        for (const Control button : {cmdClear1, cmdAdd, CmdAddFolder}) {
            click(button);
            window.Click(button);
        }
        ui.messageBoxAnswers.clear();
        ui.folderAnswers.clear();
    };
    window.setConvertJob([&] {
        seen.push_back(enabledButtons(window));
        tryTheQueueButtons();
        window.runStarted();
        seen.push_back(enabledButtons(window));
        tryTheQueueButtons();
        convert::RunResult result;
        result.taken = 1;
        window.runEnded(result);
        seen.push_back(enabledButtons(window));
    });
    click(CmdExtractDBX);

    EXPECT_EQ(seen, (std::vector<std::string>{"cmdEnd CmdHelp", "CmdExtractDBX cmdEnd CmdHelp",
                                              "cmdEnd CmdHelp"}));
    EXPECT_EQ(gridRows(), 1);
    EXPECT_EQ(gridText(0), "C:\\Mail\\a.eml");
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_EQ(ui.fileRequests.size(), 1u);
    EXPECT_TRUE(ui.folderTitles.empty());
    EXPECT_EQ(enabledButtons(window), "cmdAdd cmdClear1 CmdAddFolder cmdEnd CmdHelp");
}

TEST_F(Window, ConvertWaitsUntilAddFolderHasQueuedTheWholeFolder) {
    for (const wchar_t* name : {L"a.eml", L"b.eml"}) {
        std::ofstream(folder.path() / name) << "Subject: x\r\n\r\nx\r\n";
    }
    ui.answerFiles("C:\\Mail\\x.eml");
    click(cmdAdd);
    int runs = 0;
    window.setConvertJob([&runs] { ++runs; });
    std::vector<bool> convertEnabled;
    ui.onDoEvents = [&](int) {
        convertEnabled.push_back(IsWindowEnabled(at(CmdExtractDBX)) != FALSE);
        click(CmdExtractDBX);
        window.Click(CmdExtractDBX);
    };
    ui.folderAnswers.push_back(utf8(folder.path()));
    click(CmdAddFolder);

    // Three files listed (the manual among them), two queued: five yields.
    EXPECT_EQ(convertEnabled, std::vector<bool>(5, false));
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(gridRows(), 3);
    EXPECT_TRUE(IsWindowEnabled(at(CmdExtractDBX)));
    click(CmdExtractDBX);
    EXPECT_EQ(runs, 1);
}

TEST_F(Window, AddFolderShowsTheCountAtEachYieldAndTheLastRowWhenItReturns) {
    for (const wchar_t* name : {L"a.eml", L"b.eml", L"c.eml"}) {
        std::ofstream(folder.path() / name) << "Subject: x\r\n\r\nx\r\n";
    }
    std::vector<std::string> counts;
    std::vector<int> listed;
    ui.onDoEvents = [&](int) {
        pumpMessages();
        counts.push_back(textOf(at(lblCount1)));
        listed.push_back(gridRows());
    };
    ui.folderAnswers.push_back(utf8(folder.path()));
    click(CmdAddFolder);

    // Four files listed (the manual among them), three queued: a yield before each file and
    // again before queuing it, each showing the rows queued before it.
    ASSERT_EQ(counts.size(), 7u);
    EXPECT_EQ(counts.front(), "");
    EXPECT_NE(std::find(counts.begin(), counts.end(), "1 Zimbra Messages"), counts.end());
    EXPECT_NE(std::find(counts.begin(), counts.end(), "2 Zimbra Messages"), counts.end());
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
    EXPECT_EQ(listed.back(), 3);
    EXPECT_EQ(textOf(at(lblCount1)), "3 Zimbra Messages");
    EXPECT_EQ(gridRows(), 3);
    // The highlighted row follows the queue's current cell, the last row queued.
    EXPECT_EQ(ListView_GetNextItem(at(grdFiles1), -1, LVNI_SELECTED), 2);
}

}  // namespace
}  // namespace tolvane::win32app
