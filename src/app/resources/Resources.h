/* Resource ids of the Windows programs; read by the resource compiler and by the code. */
#pragma once

#define TOLVANE_PROGRAM_ICON 1
#define TOLVANE_LOGO_BITMAP 2

#ifdef __cplusplus
namespace tolvane::win32app {
inline constexpr int kProgramIcon = TOLVANE_PROGRAM_ICON;
inline constexpr int kLogoBitmap = TOLVANE_LOGO_BITMAP;
}  // namespace tolvane::win32app
#endif
