// Whether a folder can take a new store file, as Windows says (under Wine in the Windows
// tests): the check leaves nothing behind, and a refusal names the folder and the system's
// reason.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Win32TempFolder.h"
#include "platform/win32/WideText.h"
#include "store/Destination.h"

namespace tolvane::store {
namespace {

TEST(WindowsDestination, AWritableFolderPassesAndKeepsNoTraceOfTheCheck) {
    testing::TempFolder folder{L"tolvane-destination"};
    const std::string path = win32::Narrow(folder.path().wstring());
    EXPECT_EQ(cannotWriteTo(path), "");
    EXPECT_EQ(cannotWriteTo(path + "\\"), "");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(WindowsDestination, AMissingFolderOrAFileIsRefusedWithTheReason) {
    testing::TempFolder folder{L"tolvane-destination"};
    const std::string missing = win32::Narrow((folder.path() / L"gone").wstring());
    const std::string refusal = cannotWriteTo(missing);
    EXPECT_EQ(refusal.rfind("Cannot write to " + missing + ": ", 0), 0u) << refusal;
    EXPECT_GT(refusal.size(), ("Cannot write to " + missing + ": ").size());

    std::ofstream(folder.path() / L"a.eml") << "x";
    const std::string file = win32::Narrow((folder.path() / L"a.eml").wstring());
    EXPECT_EQ(cannotWriteTo(file).rfind("Cannot write to " + file + ": ", 0), 0u);
}

}  // namespace
}  // namespace tolvane::store
