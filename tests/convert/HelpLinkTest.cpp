// The Help manual is found where the program is installed, by the program's own file: beside
// it on Windows, in ../share/doc/tolvane on Linux. A copy of a program that looks for its
// manual is run from scratch folders laid out as installations, away from the source and the
// build tree (under Wine for the Windows build).
#include "convert/HelpLink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/ProgramFile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tolvane::convert {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kProbe[] = "help_manual_probe.exe";
#else
constexpr char kProbe[] = "help_manual_probe";
#endif

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// Runs a program and waits for it; its exit status, or -1 when it could not be started.
int run(const fs::path& program) {
#ifdef _WIN32
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
#else
    const pid_t child = fork();
    if (child == 0) {
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
#endif
}

struct Finding {
    std::string manual;
    std::string state;  // "found" or "missing"
    std::string url;
};

// Copies the probe to `program` (unless it is already there), runs it, and reads its report.
Finding probeAs(const fs::path& program) {
    const fs::path probe = programFile().parent_path() / kProbe;
    if (program != probe) {
        fs::create_directories(program.parent_path());
        fs::copy_file(probe, program);
    }
    EXPECT_EQ(run(program), 0) << utf8(program);
    std::ifstream report(program.parent_path() / "help-manual.txt", std::ios::binary);
    Finding finding;
    std::getline(report, finding.manual);
    std::getline(report, finding.state);
    std::getline(report, finding.url);
    return finding;
}

void writeManual(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "<html><body id=\"troubleshooting\">Help</body></html>\n";
}

TEST(HelpLink, FileUrlsEncodeEverythingButUnreservedCharacters) {
#ifdef _WIN32
    EXPECT_EQ(fileUrl(L"C:\\Program Files\\Tolvane\\help.html", "troubleshooting"),
              "file:///C:/Program%20Files/Tolvane/help.html#troubleshooting");
    EXPECT_EQ(fileUrl(L"D:\\\u00e9t\u00e9#1\\a.html", ""), "file:///D:/%C3%A9t%C3%A9%231/a.html");
#else
    EXPECT_EQ(fileUrl("/opt/My Help/help.html", "troubleshooting"),
              "file:///opt/My%20Help/help.html#troubleshooting");
    EXPECT_EQ(fileUrl("/srv/\u00e9t\u00e9#1/a.html", ""), "file:///srv/%C3%A9t%C3%A9%231/a.html");
#endif
}

TEST(HelpLink, TheManualBelongsWhereTheProgramIsInstalled) {
#ifdef _WIN32
    EXPECT_EQ(helpManualFor(L"C:\\Users\\me\\Tolvane\\tolvane.exe"),
              fs::path(L"C:\\Users\\me\\Tolvane\\help.html"));
#else
    EXPECT_EQ(helpManualFor("/usr/bin/tolvane"), fs::path("/usr/share/doc/tolvane/help.html"));
    EXPECT_EQ(helpManualFor("/opt/tolvane/bin/tolvane-convert"),
              fs::path("/opt/tolvane/share/doc/tolvane/help.html"));
#endif
    EXPECT_EQ(helpManualFor(fs::path()), fs::path());
}

TEST(HelpLink, AnInstalledProgramFindsTheManualInstalledWithIt) {
    testing::TempDir scratch;
    // A folder name with a space and letters beyond ASCII, as a user's may have.
    const fs::path prefix = scratch.path() / fs::path(u8"Tolvane \u00e9t\u00e9");
#ifdef _WIN32
    const fs::path program = prefix / "tolvane-convert.exe";
    const fs::path manual = prefix / "help.html";
#else
    const fs::path program = prefix / "bin" / "tolvane-convert";
    const fs::path manual = prefix / "share" / "doc" / "tolvane" / "help.html";
#endif
    writeManual(manual);
    const Finding finding = probeAs(program);
    EXPECT_EQ(finding.manual, utf8(manual));
    EXPECT_EQ(finding.state, "found");
    EXPECT_EQ(finding.url, fileUrl(manual, "troubleshooting"));
    EXPECT_NE(finding.url.find("Tolvane%20%C3%A9t%C3%A9"), std::string::npos) << finding.url;
}

TEST(HelpLink, AProgramWithoutItsManualNamesWhereItBelongsNeverTheBuildOrSourceTree) {
    testing::TempDir scratch;
#ifdef _WIN32
    const fs::path program = scratch.path() / "copied" / "tolvane.exe";
    const fs::path belongs = scratch.path() / "copied" / "help.html";
#else
    const fs::path program = scratch.path() / "copied" / "bin" / "tolvane";
    const fs::path belongs = scratch.path() / "copied" / "share" / "doc" / "tolvane" / "help.html";
#endif
    const Finding finding = probeAs(program);
    EXPECT_EQ(finding.state, "missing");
    EXPECT_EQ(finding.manual, utf8(belongs));
    EXPECT_EQ(finding.url, fileUrl(belongs, "troubleshooting"));
}

TEST(HelpLink, AProgramRunFromTheBuildTreeFindsTheBuildTreesManual) {
    const fs::path probe = programFile().parent_path() / kProbe;
    const Finding finding = probeAs(probe);
    EXPECT_EQ(finding.state, "found");
    EXPECT_EQ(fs::path(finding.manual), helpManualFor(probe));
    fs::remove(probe.parent_path() / "help-manual.txt");
}

}  // namespace
}  // namespace tolvane::convert
