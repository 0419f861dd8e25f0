#pragma once

#include <QFont>
#include <QString>

namespace tolvane::app {

// Where Debian's fonts-wine puts its free Tahoma-compatible family, outside fontconfig's reach.
inline constexpr char kWineFontFolder[] = "/usr/share/wine/fonts";

// Registers Tahoma (regular and bold) from folder with the application, once per process,
// and returns the family the controls use: "Tahoma" when any Tahoma can be had, otherwise
// the platform's general sans-serif family.
QString ControlFontFamily(const QString& folder = kWineFontFolder);

// Tahoma 8.25 pt, regular: every control but the title.
QFont ControlFont();
// Tahoma 14.25 pt, bold: the title.
QFont TitleFont();

}  // namespace tolvane::app
