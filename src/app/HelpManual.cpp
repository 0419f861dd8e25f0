#include "app/HelpManual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tolvane::app {

QString HelpManualPath() {
    const QStringList candidates{
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help.html")),
        QStringLiteral(TOLVANE_HELP_MANUAL_SOURCE)};
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).absoluteFilePath();
        }
    }
    return {};
}

QString HelpManualUrl() {
    const QString path = HelpManualPath();
    return path.isEmpty() ? QString() : QUrl::fromLocalFile(path).toString();
}

}  // namespace tolvane::app
