#include "app/HelpManual.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tolvane::app {

QString HelpManualUrl() {
    const QStringList candidates{
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("help.html")),
        QStringLiteral(TOLVANE_HELP_MANUAL_SOURCE)};
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return QUrl::fromLocalFile(QFileInfo(candidate).absoluteFilePath()).toString();
        }
    }
    return {};
}

}  // namespace tolvane::app
