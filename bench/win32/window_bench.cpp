// The Win32 window against tolvane-convert.exe on the same files, both under Wine (or on
// Windows): N small message files in 20 folders are queued with Add Folder and converted with
// Convert in the real window (shown, so it repaints, with the modal boxes answered at once),
// and converted by tolvane-convert.exe in a process of its own. Three rounds, each side once a
// round; the figure is the median of the rounds' ratios, so a burst of load on the machine
// weighs on one round, not on one side. Goal: the window's queue and conversion together
// within 1.2 times the command line's time.
//   window_bench.exe TOLVANE-CONVERT.EXE [FILES]   (FILES: 20,000 unless told)
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/WindowJob.h"
#include "platform/AppError.h"
#include "platform/win32/Win32Ui.h"
#include "support/SmallMessages.h"
#include "win32app/Win32Window.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kGoalRatio = 1.2;
constexpr int kRounds = 3;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// tolvane-convert.exe on the source, its output dropped; the wall time, or -1 when it failed.
double commandLine(const std::wstring& program, const fs::path& source, const fs::path& dest) {
    fs::create_directories(dest);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    std::wstring command =
        L"\"" + program + L"\" --dest \"" + dest.wstring() + L"\" \"" + source.wstring() + L"\"";
    PROCESS_INFORMATION process{};
    const auto start = Clock::now();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process)) {
        std::printf("window_bench: %s could not be started (error %lu)\n", utf8(program).c_str(),
                    GetLastError());
        CloseHandle(nul);
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    const double seconds = secondsSince(start);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(nul);
    return status == 0 ? seconds : -1;
}

// The Win32 seam with the pickers and boxes answered at once: Add Folder's picker gets the
// source, Convert's the destination.
class BenchUi : public tolvane::win32::Win32Ui {
  public:
    std::string source;
    std::string dest;

    std::string browseForFolder(const std::string& title) override {
        return title == "Choose Folder to Save..." ? dest : source;
    }
    tolvane::MsgResult messageBox(const tolvane::MessageBoxRequest&) override {
        return tolvane::MsgResult::Ok;
    }
};

// View settings in memory: the bench touches no registry.
class MemorySettings : public tolvane::ViewSettingsStore {
  public:
    std::uint32_t read(const std::string& name) override {
        const auto found = values_.find(name);
        if (found == values_.end()) {
            throw tolvane::AppError(5, "no value " + name);
        }
        return found->second;
    }
    void write(const std::string& name, std::uint32_t value) override { values_[name] = value; }

  private:
    std::map<std::string, std::uint32_t> values_;
};

struct WindowRun {
    double queueSeconds = 0;
    double convertSeconds = 0;
    std::int64_t rows = 0;
    int listRows = 0;
    std::uint64_t stored = 0;
};

WindowRun window(const fs::path& source, const fs::path& dest) {
    fs::create_directories(dest);
    BenchUi ui;
    ui.source = utf8(source.wstring());
    ui.dest = utf8(dest.wstring());
    MemorySettings settings;
    tolvane::win32app::Win32Window window(GetModuleHandleW(nullptr), ui, settings);
    ui.setOwner(window.handle());
    const tolvane::app::WindowJob job(ui, window);
    window.Show(SW_SHOWNORMAL);

    WindowRun run;
    auto start = Clock::now();
    window.Click(tolvane::app::CmdAddFolder);
    window.showPending();  // as when the click's message returns
    run.queueSeconds = secondsSince(start);
    run.rows = window.rowCount();
    run.listRows = ListView_GetItemCount(window.control(tolvane::app::grdFiles1));
    start = Clock::now();
    window.Click(tolvane::app::CmdExtractDBX);
    window.showPending();
    run.convertSeconds = secondsSince(start);
    run.stored = job.job().lastRun().stored;
    return run;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: window_bench.exe TOLVANE-CONVERT.EXE [FILES]\n");
        return 2;
    }
    InitCommonControls();
    const int files = argc > 2 ? _wtoi(argv[2]) : 20000;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const fs::path top =
        fs::path(temp) / (L"tolvane-window-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(GetTickCount64()));
    const fs::path source = top / L"source";
    tolvane::bench::writeSmallMessages(source, files);

    std::vector<double> ratios;
    bool whole = true;
    for (int round = 0; round < kRounds; ++round) {
        const std::wstring n = std::to_wstring(round);
        const double cli = commandLine(argv[1], source, top / (L"cli" + n));
        const WindowRun win = window(source, top / (L"win32" + n));
        const double together = win.queueSeconds + win.convertSeconds;
        const bool roundWhole = cli > 0 && win.rows == files && win.listRows == files &&
                                win.stored == static_cast<std::uint64_t>(files);
        whole = whole && roundWhole;
        ratios.push_back(cli > 0 ? together / cli : 0);
        std::printf(
            "window_bench: round %d: tolvane-convert.exe %.2f s wall; Win32 window queue %.2f s, "
            "convert %.2f s, together %.2f s; %lld rows queued (%d in the list), %llu messages "
            "stored; ratio %.2f%s\n",
            round + 1, cli, win.queueSeconds, win.convertSeconds, together,
            static_cast<long long>(win.rows), win.listRows,
            static_cast<unsigned long long>(win.stored), ratios.back(),
            roundWhole ? "" : "  [WRONG: not every file]");
    }
    std::error_code ignored;
    fs::remove_all(top, ignored);

    std::sort(ratios.begin(), ratios.end());
    const double ratio = ratios[ratios.size() / 2];
    const bool met = whole && ratio <= kGoalRatio;
    std::printf("window_bench: %d files in %d folders, %d rounds\n", files,
                tolvane::bench::kSmallMessageFolders, kRounds);
    std::printf(
        "window_bench: Win32 window / command line %.2f, median of the rounds (goal <= "
        "%.1f): %s%s\n",
        ratio, kGoalRatio, met ? "met" : "MISSED", whole ? "" : "  [WRONG: not every file]");
    return met ? 0 : 1;
}
