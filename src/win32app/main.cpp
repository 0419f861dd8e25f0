#include <windows.h>

#include <commctrl.h>

#include "app/WindowJob.h"
#include "convert/HelpLink.h"
#include "convert/StopSignals.h"
#include "platform/win32/RegistryViewSettings.h"
#include "platform/win32/Win32Ui.h"
#include "win32app/Win32Window.h"

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
    tolvane::win32app::Win32Window window(
        instance, ui, viewSettings, tolvane::convert::helpManual(), [&ui] { return ui.waiting(); });
    ui.setOwner(window.handle());
    const tolvane::app::WindowJob job(ui, window);

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
