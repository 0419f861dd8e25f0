// The view settings in the registry (under Wine in the Windows tests): Tolvane's own key,
// never Explorer's.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/AppError.h"
#include "platform/win32/RegistryViewSettings.h"
#include "queue/ExplorerView.h"

namespace tolvane::win32 {
namespace {

constexpr wchar_t kExplorerKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";

// Explorer's value as it stands: its data, or -1 when it is missing.
long long explorerValue(const wchar_t* value) {
    DWORD data = 0;
    DWORD size = sizeof data;
    return RegGetValueW(HKEY_CURRENT_USER, kExplorerKey, value, RRF_RT_REG_DWORD, nullptr, &data,
                        &size) == ERROR_SUCCESS
               ? static_cast<long long>(data)
               : -1;
}

DWORD tolvaneValue(const wchar_t* value) {
    DWORD data = 0xFFFFFFFF;
    DWORD size = sizeof data;
    RegGetValueW(HKEY_CURRENT_USER, RegistryViewSettings::kKey, value, RRF_RT_REG_DWORD, nullptr,
                 &data, &size);
    return data;
}

class ViewSettingsInTheRegistry : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, RegistryViewSettings::kKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, RegistryViewSettings::kKey); }
};

TEST_F(ViewSettingsInTheRegistry, TheToggleAlternatesUnderTolvanesKeyAlone) {
    const wchar_t* const explorerValues[] = {L"Hidden", L"ShowSuperHidden", L"HideFileExt"};
    long long explorerHad[3] = {};
    for (int k = 0; k < 3; ++k) {
        explorerHad[k] = explorerValue(explorerValues[k]);
    }
    RegistryViewSettings store;
    EXPECT_THROW(store.read(queue::kHiddenValue), AppError);  // nothing written yet

    queue::ToggleExplorerView(store);  // Hidden missing: hide-all
    EXPECT_EQ(tolvaneValue(L"Hidden"), 2u);
    EXPECT_EQ(tolvaneValue(L"ShowSuperHidden"), 0u);
    EXPECT_EQ(tolvaneValue(L"HideFileExt"), 1u);
    EXPECT_FALSE(queue::HiddenFilesShown(store));

    queue::ToggleExplorerView(store);  // Hidden 2: show-all
    EXPECT_EQ(tolvaneValue(L"Hidden"), 1u);
    EXPECT_EQ(tolvaneValue(L"ShowSuperHidden"), 1u);
    EXPECT_EQ(tolvaneValue(L"HideFileExt"), 0u);
    EXPECT_TRUE(queue::HiddenFilesShown(store));
    EXPECT_EQ(store.read(queue::kHideFileExtValue), 0u);

    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(explorerValue(explorerValues[k]), explorerHad[k]) << "Explorer's key was written";
    }
}

}  // namespace
}  // namespace tolvane::win32
