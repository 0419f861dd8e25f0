#include <windows.h>

#include <commctrl.h>

#include "convert/ConversionJob.h"
#include "convert/StopSignals.h"
#include "platform/win32/RegistryViewSettings.h"
#include "platform/win32/Win32Ui.h"
#include "win32app/frmStep1.h"

namespace {

// Form_Initialize: the common control classes, before any control of the window exists.
void Form_Initialize() {
    InitCommonControls();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    tolvane::convert::installStopSignals();
    Form_Initialize();

    tolvane::win32::Win32Ui ui;
    tolvane::win32::RegistryViewSettings viewSettings;
    tolvane::win32app::frmStep1 window(instance, ui, viewSettings, [&ui] { return ui.waiting(); });
    ui.setOwner(window.handle());

    // Declared after the window so they go first: a session a failed run still holds closes
    // its PST before the window is torn down.
    tolvane::convert::JobState jobState(window.workingPathList());
    tolvane::convert::JobEnvironment jobEnvironment = tolvane::convert::processEnvironment();
    jobEnvironment.stopRequested = [&window] {
        return window.unloaded() || tolvane::convert::stopSignal() != 0;
    };
    tolvane::convert::ConversionJob job(ui, window, window, jobState, jobEnvironment);
    window.setConvertJob([&job] { job.CmdExtractDBX_Click(); }, [&job] { job.requestStop(); });
    window.setStopWatch([] { return tolvane::convert::stopSignal() != 0; });

    window.Show(showCommand);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window.handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
