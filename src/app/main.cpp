#include <QApplication>
#include <QTimer>
#include <cstring>
#include <iostream>

#include "app/frmStep1.h"
#include "convert/ConversionJob.h"
#include "convert/StopSignals.h"
#include "platform/AppTitle.h"
#include "platform/Version.h"
#include "platform/qt/QtUi.h"
#include "queue/ViewSettingsFile.h"

namespace {

// --version and --help are answered before Qt asks for a display, so they work without one.
bool answeredInformationOption(int argc, char* argv[]) {
    if (argc != 2) {
        return false;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::cout << tolvane::versionLine("tolvane");
        return true;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::cout << "Usage: tolvane [--help | --version]\n"
                     "\n"
                     "Opens the Tolvane window: queue Zimbra-exported .eml files or folders, then\n"
                     "Convert Messages writes them into one new Outlook .pst file. Help in the\n"
                     "window opens the manual; tolvane-convert does the same conversion from the\n"
                     "command line.\n";
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (answeredInformationOption(argc, argv)) {
        return 0;
    }
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
