#include "platform/win32/RegistryViewSettings.h"

#include <windows.h>

#include "platform/AppError.h"
#include "platform/win32/WideText.h"

namespace tolvane::win32 {
namespace {

std::wstring valueName(const std::string& fullName) {
    const auto last = fullName.rfind('\\');
    return Widen(last == std::string::npos ? fullName : fullName.substr(last + 1));
}

AppError registryError(LSTATUS status, const std::string& name, const char* what) {
    return AppError(status == ERROR_FILE_NOT_FOUND ? 5 : errc::kPermissionDenied,
                    std::string(what) + " HKCU\\Software\\Tolvane value " + name +
                        " (system error " + std::to_string(status) + ")");
}

}  // namespace

std::uint32_t RegistryViewSettings::read(const std::string& name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, kKey, valueName(name).c_str(),
                                        RRF_RT_REG_DWORD, nullptr, &value, &size);
    if (status != ERROR_SUCCESS) {
        throw registryError(status, name, "Cannot read");
    }
    return value;
}

void RegistryViewSettings::write(const std::string& name, std::uint32_t value) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const DWORD data = value;
        status = RegSetValueExW(key, valueName(name).c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&data), sizeof data);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        throw registryError(status, name, "Cannot write");
    }
}

}  // namespace tolvane::win32
