#pragma once

#include <string>
#include <vector>

#include "platform/Ui.h"

namespace tolvane::cli {

// The UI seam without a screen: no dialog is ever answered (the destination comes with the
// run), message boxes are kept for the command to report, and a yield has nothing to process.
class CliUi : public Ui {
  public:
    MsgResult messageBox(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        return request.defaultButton;
    }
    std::string browseForFolder(const std::string&) override { return {}; }
    std::string openFiles(const FileOpenRequest&) override { return {}; }
    void setWaitCursor(bool) override {}
    void doEvents() override {}
    bool openUrl(const std::string&) override { return false; }

    std::vector<MessageBoxRequest> boxes;
};

}  // namespace tolvane::cli
