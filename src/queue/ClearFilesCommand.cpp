#include "queue/ClearFilesCommand.h"

#include "queue/MessageBoxes.h"

namespace tolvane::queue {

void ClearFiles(QueueWindow& window) {
    if (window.fileQueue().IsEmpty()) {
        return;
    }
    if (window.ui().messageBox(QuestionBox(kClearQuestion)) == MsgResult::Yes) {
        window.fileQueue().ResetQueue();
    }
}

}  // namespace tolvane::queue
