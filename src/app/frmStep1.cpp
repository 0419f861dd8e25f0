#include "app/frmStep1.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <system_error>
#include <utility>

#include "platform/Utf8Path.h"
#include "queue/AddFilesCommand.h"
#include "queue/AddFolderCommand.h"
#include "queue/AsAppError.h"
#include "queue/ClearFilesCommand.h"
#include "queue/MessageBoxes.h"
#include "shell/ShellHelpers.h"
#include "text/DigitGroups.h"

namespace tolvane::app {

class frmStep1::Busy {
  public:
    Busy(frmStep1& window, int& count) : window_(window), count_(count) {
        ++count_;
        window_.refreshButtons();
    }
    ~Busy() {
        --count_;
        window_.refreshButtons();
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    frmStep1& window_;
    int& count_;
};

frmStep1::frmStep1(Ui& ui, ViewSettingsStore& viewSettings, std::filesystem::path helpManual)
    : ui_(ui),
      viewSettings_(viewSettings),
      helpManual_(std::move(helpManual)),
      fileQueue_(
          grid_, [this](const std::string& caption) { showCaption(lblCount1, caption); },
          workingPathList_) {}

void frmStep1::setConvertJob(std::function<void()> run, std::function<void()> stop) {
    convertJob_ = std::move(run);
    stopJob_ = std::move(stop);
}

void frmStep1::Form_Load() {
    grid_.ColWidth(0, queue::FileQueue::kColumnWidthTwips);
    refreshButtons(true);
}

void frmStep1::StopWatch_Timer() {
    if (stopAsked_ && stopAsked_()) {
        Unload();
    }
}

void frmStep1::Click(Control which) {
    static constexpr std::pair<Control, void (frmStep1::*)()> kHandlers[] = {
        {cmdAdd, &frmStep1::cmdAdd_Click},       {CmdAddFolder, &frmStep1::CmdAddFolder_Click},
        {cmdClear1, &frmStep1::cmdClear1_Click}, {CmdExtractDBX, &frmStep1::CmdExtractDBX_Click},
        {CmdHelp, &frmStep1::CmdHelp_Click},     {cmdEnd, &frmStep1::cmdEnd_Click},
    };
    // A click can still be on its way when its button has just been disabled.
    if (!enabled_[which]) {
        return;
    }
    for (const auto& [control, handler] : kHandlers) {
        if (control == which) {
            runHandler(handler);
            return;
        }
    }
}

void frmStep1::runHandler(void (frmStep1::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& failure) {
        if (!unloaded_) {
            ui_.messageBox(queue::WarningBox(queue::AsAppError(failure).numberColonDescription()));
        }
    }
}

void frmStep1::cmdAdd_Click() {
    queue::AddMessageFiles(*this, viewSettings_);
}

void frmStep1::CmdAddFolder_Click() {
    // Convert waits until the whole folder is queued: it would convert half of it.
    const Busy filling(*this, foldersFilling_);
    queue::AddFolder(*this);
}

void frmStep1::cmdClear1_Click() {
    queue::ClearFiles(*this);
}

void frmStep1::CmdExtractDBX_Click() {
    if (converting_) {
        if (stopJob_) {
            stopJob_();
        }
        return;
    }
    if (!convertJob_) {
        return;
    }
    // The queue stays as it is until the job has read it to the end: a row cleared or added
    // mid-run would be lost or converted twice.
    const Busy running(*this, runsUnderWay_);
    convertJob_();
}

void frmStep1::CmdHelp_Click() {
    const std::string manual = Utf8FromPath(helpManual_);
    std::error_code error;
    if (helpManual_.empty() || !std::filesystem::is_regular_file(helpManual_, error)) {
        ui_.messageBox(queue::WarningBox(std::string(kNoManual) +
                                         (manual.empty() ? "." : " at " + manual + ".")));
        return;
    }
    if (!shell::OpenDocument(ui_, manual)) {
        ui_.messageBox(queue::WarningBox(kNoBrowser + manual));
    }
}

void frmStep1::cmdEnd_Click() {
    if (ui_.messageBox(queue::QuestionBox(kExitQuestion)) == MsgResult::Yes) {
        Unload();
    }
}

void frmStep1::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    endEventLoop();
}

void frmStep1::setConvertEnabled(bool enabled) {
    convertWanted_ = enabled;
    refreshButtons();
}

void frmStep1::refreshButtons(bool always) {
    const bool runUnderWay = runsUnderWay_ > 0 || converting_;
    const std::pair<Control, bool> states[] = {
        {cmdAdd, !runUnderWay},
        {CmdAddFolder, !runUnderWay},
        {cmdClear1, !runUnderWay},
        // Stop while the job runs; Convert once nothing else is under way.
        {CmdExtractDBX, converting_ || (convertWanted_ && !runUnderWay && foldersFilling_ == 0)},
        {CmdHelp, true},
        {cmdEnd, true},
    };
    for (const auto& [control, enabled] : states) {
        if (always || enabled_[control] != enabled) {
            enabled_[control] = enabled;
            enableControl(control, enabled);
        }
    }
}

std::int64_t frmStep1::rowCount() const {
    return grid_.Rows();
}

std::string frmStep1::selectRow(std::int64_t row) {
    return fileQueue_.SelectRow(row);
}

std::string frmStep1::rowText(std::int64_t row) const {
    return fileQueue_.RowText(row);
}

std::optional<FileStamp> frmStep1::queuedStamp(std::int64_t row) const {
    return fileQueue_.QueuedStamp(row);
}

std::uint64_t frmStep1::queuedMessages(std::int64_t row) const {
    return fileQueue_.QueuedMessages(row);
}

std::uint64_t frmStep1::timesEmptied() const {
    return fileQueue_.TimesEmptied();
}

void frmStep1::runStarted() {
    converting_ = true;
    showProgress(0.0f);
    showCaption(CmdExtractDBX, kStopCaption);
    refreshButtons();
}

void frmStep1::runProgressed(const convert::JobProgress& progress) {
    // With an archive queued a row is no message: the run counts messages, and as they can
    // be many, in groups of thousands.
    const bool inMessages = progress.archivesQueued;
    const std::int64_t done = inMessages ? progress.messagesDone : progress.done;
    const std::int64_t total = inMessages ? progress.messagesTotal : progress.total;
    showCaption(FrameConversion,
                inMessages
                    ? "Details : Converting - (" +
                          text::groupedDecimal(static_cast<std::uint64_t>(done)) + " of " +
                          text::groupedDecimal(static_cast<std::uint64_t>(total)) + ") messages"
                    : "Details : Converting - (" + std::to_string(done) + " of " +
                          std::to_string(total) + ") file(s)");
    showCaption(LblCurrentDBX, "Converting Messages... from (" + progress.folder + ")");
    // Held inside the bar's range; 0 of 0 shows an empty bar.
    const auto percent =
        static_cast<float>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
    showProgress(std::isnan(percent) ? 0.0f : std::clamp(percent, 0.0f, 100.0f));
}

void frmStep1::runEnded(const convert::RunResult& result) {
    converting_ = false;
    showCaption(CmdExtractDBX, kConvertCaption);
    // A run that took up messages leaves Convert disabled until files are queued again.
    convertWanted_ = result.taken == 0;
    refreshButtons();
}

}  // namespace tolvane::app
