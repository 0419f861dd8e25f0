#pragma once

#include "app/frmStep1.h"
#include "convert/ConversionJob.h"
#include "convert/JobState.h"

namespace tolvane::app {

// The conversion job wired to the window, as both programs run it: it reads the window's
// queue, reports to it, and stops at its next yield once the window unloads or the system
// asks the program to end; the window's stop watch closes it on such a request. Declared after
// the window, so a session a failed run still holds closes its PST before the window goes.
class WindowJob {
  public:
    WindowJob(Ui& ui, frmStep1& window);
    WindowJob(const WindowJob&) = delete;
    WindowJob& operator=(const WindowJob&) = delete;

    const convert::ConversionJob& job() const noexcept { return job_; }

  private:
    convert::JobState state_;
    convert::ConversionJob job_;
};

}  // namespace tolvane::app
