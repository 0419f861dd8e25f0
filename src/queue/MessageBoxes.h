#pragma once

// The message-box builders live with the UI seam (platform/MessageBoxes.h), where the
// conversion job uses them too; the queue's handlers and the windows name them from here.
#include "platform/MessageBoxes.h"

namespace tolvane::queue {
using tolvane::PlainBox;
using tolvane::QuestionBox;
using tolvane::WarningBox;
}  // namespace tolvane::queue
