#pragma once

#include <string>
#include <vector>

#include "platform/Ui.h"

namespace tolvane::cli {

// The UI seam without a screen: the folder picker answers with the destination, message
// boxes are kept for the command to report, and a yield has nothing to process.
class CliUi : public Ui {
  public:
    explicit CliUi(std::string destination) : destination_(std::move(destination)) {}

    MsgResult messageBox(const MessageBoxRequest& request) override {
        boxes.push_back(request);
        return request.defaultButton;
    }
    std::string browseForFolder(const std::string&) override { return destination_; }
    std::string openFiles(const FileOpenRequest&) override { return {}; }
    void setWaitCursor(bool) override {}
    void doEvents() override {}
    bool openUrl(const std::string&) override { return false; }

    std::vector<MessageBoxRequest> boxes;

  private:
    std::string destination_;
};

}  // namespace tolvane::cli
