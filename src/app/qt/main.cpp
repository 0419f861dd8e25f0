#include <QApplication>

#include "app/WindowJob.h"
#include "app/qt/QtWindow.h"
#include "convert/HelpLink.h"
#include "convert/StopSignals.h"
#include "platform/AppTitle.h"
#include "platform/qt/QtUi.h"
#include "queue/ViewSettingsFile.h"

int main(int argc, char* argv[]) {
    tolvane::convert::installStopSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(tolvane::kAppTitle));

    tolvane::qtui::QtUi ui;
    tolvane::queue::ViewSettingsFile viewSettings(tolvane::queue::ViewSettingsFile::userFile());
    tolvane::app::QtWindow window(ui, viewSettings, tolvane::convert::helpManual());
    ui.setOwner(&window);
    const tolvane::app::WindowJob job(ui, window);

    window.show();
    return QApplication::exec();
}
