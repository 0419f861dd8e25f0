#pragma once

#include "platform/ViewSettingsStore.h"

namespace tolvane::queue {

// The full value names of the three view settings.
inline constexpr char kHiddenValue[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\Hidden";
inline constexpr char kShowSuperHiddenValue[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\ShowSuperHidden";
inline constexpr char kHideFileExtValue[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced\\HideFileExt";

// Flips the view settings between show-all (Hidden 1, ShowSuperHidden 1, HideFileExt 0),
// written when Hidden reads 2, and hide-all (2, 0, 1) otherwise, also when Hidden cannot
// be read. Every failure of its own is skipped: it never fails.
void ToggleExplorerView(ViewSettingsStore& store) noexcept;

// Whether the settings list hidden files now: Hidden reads 1. False when it cannot be read.
bool HiddenFilesShown(ViewSettingsStore& store) noexcept;

}  // namespace tolvane::queue
