#include <QApplication>
#include <QTimer>

#include "app/frmStep1.h"
#include "convert/ConversionJob.h"
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
    tolvane::app::frmStep1 window(ui, viewSettings);
    ui.setOwner(&window);

    // Declared after the window so they go first: a session a failed run still holds closes
    // its PST before the window is torn down.
    tolvane::convert::JobState jobState(window.workingPathList());
    tolvane::convert::JobEnvironment jobEnvironment = tolvane::convert::processEnvironment();
    jobEnvironment.stopRequested = [&window] {
        return window.unloaded() || tolvane::convert::stopSignal() != 0;
    };
    tolvane::convert::ConversionJob job(ui, window, window, jobState, jobEnvironment);
    window.setConvertJob([&job] { job.CmdExtractDBX_Click(); }, [&job] { job.requestStop(); });

    // A hang-up, an interrupt or a termination request closes the window like its close box:
    // a run under way stops at its next yield with its PST committed and named.
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, &window, [&window] {
        if (tolvane::convert::stopSignal() != 0) {
            window.Unload();
        }
    });
    signalWatch.start(200);

    window.show();
    return QApplication::exec();
}
