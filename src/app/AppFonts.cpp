#include "app/AppFonts.h"

#include <QDir>
#include <QFontDatabase>

namespace tolvane::app {
namespace {

constexpr char kTahoma[] = "Tahoma";

QString findFamily(const QString& folder) {
    // The wine folder holds tahoma.ttf and tahomabd.ttf, both of family "Tahoma".
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
        QFontDatabase::addApplicationFont(QDir(folder).filePath(QString::fromLatin1(file)));
    }
    if (QFontDatabase::families().contains(QString::fromLatin1(kTahoma), Qt::CaseInsensitive)) {
        return QString::fromLatin1(kTahoma);
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont tahoma(double points, bool bold) {
    QFont font(ControlFontFamily());
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace

QString ControlFontFamily(const QString& folder) {
    static const QString family = findFamily(folder);
    return family;
}

QFont ControlFont() {
    return tahoma(8.25, false);
}

QFont TitleFont() {
    return tahoma(14.25, true);
}

}  // namespace tolvane::app
