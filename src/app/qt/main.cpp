#include <QApplication>
#include <cstring>
#include <iostream>

#include "app/WindowJob.h"
#include "app/qt/QtWindow.h"
#include "convert/HelpLink.h"
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
    tolvane::app::QtWindow window(ui, viewSettings, tolvane::convert::helpManual());
    ui.setOwner(&window);
    const tolvane::app::WindowJob job(ui, window);

    window.show();
    return QApplication::exec();
}
