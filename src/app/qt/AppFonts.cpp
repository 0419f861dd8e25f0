#include "app/qt/AppFonts.h"

#include <QDir>
#include <QFontDatabase>

namespace tolvane::app {
namespace {

QString findFamily(const QString& folder) {
    // The wine folder holds tahoma.ttf and tahomabd.ttf, both of family "Tahoma".
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
        QFontDatabase::addApplicationFont(QDir(folder).filePath(QString::fromLatin1(file)));
    }
    const QString tahoma = QString::fromLatin1(kControlFont.family);
    if (QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive)) {
        return tahoma;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

}  // namespace

QString ControlFontFamily(const QString& folder) {
    static const QString family = findFamily(folder);
    return family;
}

QFont QtFont(const Font& font) {
    QFont qtFont(ControlFontFamily());
    qtFont.setPointSizeF(font.hundredthsOfPoint / 100.0);
    qtFont.setBold(font.bold);
    qtFont.setStyleHint(QFont::SansSerif);
    return qtFont;
}

}  // namespace tolvane::app
