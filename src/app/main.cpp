#include <QApplication>

#include "app/frmStep1.h"
#include "convert/ConversionJob.h"
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

    // Declared after the window so they go first: a session a failed run still holds closes
    // its PST before the window is torn down.
    tolvane::convert::JobState jobState(window.workingPathList());
    tolvane::convert::JobEnvironment jobEnvironment = tolvane::convert::processEnvironment();
    jobEnvironment.stopRequested = [&window] { return window.unloaded(); };
    tolvane::convert::ConversionJob job(ui, window, window, jobState, jobEnvironment);
    window.setConvertJob([&job] { job.CmdExtractDBX_Click(); });

    window.show();
    return QApplication::exec();
}
