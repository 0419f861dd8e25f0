#pragma once

#include <windows.h>

namespace tolvane::win32app {

// The DPI a window is shown at: its monitor's where the process is per-monitor aware, the
// system's otherwise, and the system's on Windows before 8.1, which knows only that one.
int dpiOf(HWND window);

// The frame of a window whose client area is `client`, with the frame's own parts (caption,
// borders) sized for `dpi`.
RECT frameAround(RECT client, DWORD style, DWORD exStyle, int dpi);

}  // namespace tolvane::win32app
