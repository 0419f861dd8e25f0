#include <QApplication>

#include "app/frmStep1.h"
#include "platform/AppTitle.h"
#include "platform/qt/QtUi.h"
#include "queue/ViewSettingsFile.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(tolvane::kAppTitle));

    tolvane::qtui::QtUi ui;
    tolvane::queue::ViewSettingsFile viewSettings(tolvane::queue::ViewSettingsFile::userFile());
    tolvane::app::frmStep1 window(ui, viewSettings);
    ui.setOwner(&window);
    window.show();
    return QApplication::exec();
}
