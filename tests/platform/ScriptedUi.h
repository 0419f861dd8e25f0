#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/AppError.h"
#include "platform/Ui.h"

namespace tolvane::testing {

// The UI seam for headless tests: answers every modal interaction from a script, in order,
// and records everything that was shown. `log` keeps one line per call, in call order, so
// a test can check what came before what.
class ScriptedUi : public Ui {
  public:
    // What the file-open dialog returns next: a raw result, or an error it raises.
    struct FileAnswer {
        std::string result;
        std::optional<AppError> error;
    };

    // ---- script ----
    std::deque<MsgResult> messageBoxAnswers;  // when empty: the box's default button
    std::deque<std::string> folderAnswers;    // when empty: "" (cancelled)
    std::deque<FileAnswer> fileAnswers;       // when empty: "" (cancelled)
    // Runs inside every doEvents, with the 1-based number of the call: the place to click
    // other buttons or close the window "while the handler yields".
    std::function<void(int call)> onDoEvents;
    bool urlsOpen = true;  // false: the desktop has nothing that opens a path or address

    void answerFiles(std::string result) { fileAnswers.push_back({std::move(result), {}}); }
    // The answer for several names chosen in one folder: folder NUL name NUL name ...
    void answerFilesIn(std::string folder, const std::vector<std::string>& names) {
        for (const auto& name : names) {
            folder.push_back('\0');
            folder += name;
        }
        answerFiles(std::move(folder));
    }
    void failFiles(AppError error) { fileAnswers.push_back({{}, std::move(error)}); }

    // ---- record ----
    std::vector<MessageBoxRequest> messageBoxes;
    std::vector<std::string> folderTitles;
    std::vector<FileOpenRequest> fileRequests;
    std::vector<std::string> openedUrls;
    std::vector<std::string> log;
    int doEventsCalls = 0;
    bool waiting = false;

    MsgResult messageBox(const MessageBoxRequest& request) override {
        log.push_back("messageBox:" + request.text);
        messageBoxes.push_back(request);
        if (messageBoxAnswers.empty()) {
            return request.defaultButton;
        }
        const MsgResult answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return answer;
    }

    std::string browseForFolder(const std::string& title) override {
        log.push_back("browseForFolder:" + title);
        folderTitles.push_back(title);
        return pop(folderAnswers);
    }

    std::string openFiles(const FileOpenRequest& request) override {
        log.push_back("openFiles");
        fileRequests.push_back(request);
        if (fileAnswers.empty()) {
            return {};
        }
        FileAnswer answer = std::move(fileAnswers.front());
        fileAnswers.pop_front();
        if (answer.error) {
            throw *answer.error;
        }
        return answer.result;
    }

    void setWaitCursor(bool wait) override {
        log.push_back(wait ? "waitCursor:on" : "waitCursor:off");
        waiting = wait;
    }

    void doEvents() override {
        ++doEventsCalls;
        log.push_back("doEvents");
        if (onDoEvents) {
            onDoEvents(doEventsCalls);
        }
    }

    bool openUrl(const std::string& target) override {
        log.push_back("openUrl:" + target);
        openedUrls.push_back(target);
        return urlsOpen;
    }

    // The texts of the message boxes shown so far, in order.
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : messageBoxes) {
            texts.push_back(box.text);
        }
        return texts;
    }

  private:
    static std::string pop(std::deque<std::string>& answers) {
        if (answers.empty()) {
            return {};
        }
        std::string answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

}  // namespace tolvane::testing
