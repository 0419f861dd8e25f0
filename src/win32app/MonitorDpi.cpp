#include "win32app/MonitorDpi.h"

namespace tolvane::win32app {
namespace {

// Looked up at run time: Windows 7 has none of these functions, 8.1 only GetDpiForMonitor
// (in shcore.dll, which MinGW's import libraries lack), 10 (1607) the others.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <typename Fn>
Fn function(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    // Through void*: a FARPROC converts to any function pointer type only by a cast.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

HMODULE user32() {
    return GetModuleHandleW(L"user32.dll");
}

int systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace

int dpiOf(HWND window) {
    static const auto forWindow = function<GetDpiForWindowFn>(user32(), "GetDpiForWindow");
    if (forWindow != nullptr) {
        if (const UINT dpi = forWindow(window); dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    static const auto forMonitor = function<GetDpiForMonitorFn>(
        LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
    if (forMonitor != nullptr) {
        UINT x = 0;
        UINT y = 0;
        if (SUCCEEDED(forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), kEffectiveDpi,
                                 &x, &y)) &&
            y != 0) {
            return static_cast<int>(y);
        }
    }
    return systemDpi();
}

RECT frameAround(RECT client, DWORD style, DWORD exStyle, int dpi) {
    static const auto forDpi =
        function<AdjustWindowRectExForDpiFn>(user32(), "AdjustWindowRectExForDpi");
    if (forDpi == nullptr || !forDpi(&client, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&client, style, FALSE, exStyle);
    }
    return client;
}

}  // namespace tolvane::win32app
