#include "app/WindowJob.h"

#include "convert/StopSignals.h"

namespace tolvane::app {
namespace {

convert::JobEnvironment environmentOf(const frmStep1& window) {
    convert::JobEnvironment environment = convert::processEnvironment();
    environment.stopRequested = [&window] {
        return window.unloaded() || convert::stopSignal() != 0;
    };
    return environment;
}

}  // namespace

WindowJob::WindowJob(Ui& ui, frmStep1& window)
    : state_(window.workingPathList()), job_(ui, window, window, state_, environmentOf(window)) {
    window.setConvertJob([this] { job_.CmdExtractDBX_Click(); }, [this] { job_.requestStop(); });
    // A hang-up, an interrupt or a termination request closes the window like its close box:
    // a run under way stops at its next yield with its PST committed and named.
    window.setStopWatch([] { return convert::stopSignal() != 0; });
}

}  // namespace tolvane::app
