#pragma once

#include <QFont>
#include <QString>

#include "app/Layout.h"

namespace tolvane::app {

// Where Debian's fonts-wine puts its free Tahoma-compatible family, outside fontconfig's reach.
inline constexpr char kWineFontFolder[] = "/usr/share/wine/fonts";

// Registers Tahoma (regular and bold) from folder with the application, once per process,
// and returns the family the controls use: "Tahoma" when any Tahoma can be had, otherwise
// the platform's general sans-serif family.
QString ControlFontFamily(const QString& folder = kWineFontFolder);

// A font of the layout table, in the family the controls use.
QFont QtFont(const Font& font);
// Tahoma 8.25 pt, regular: every control but the title.
inline QFont ControlFont() {
    return QtFont(kControlFont);
}
// Tahoma 14.25 pt, bold: the title.
inline QFont TitleFont() {
    return QtFont(kTitleFont);
}

}  // namespace tolvane::app
