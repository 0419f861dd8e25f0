#pragma once

#include "queue/QueueWindow.h"

namespace tolvane::queue {

inline constexpr char kClearQuestion[] =
    "Do you want to clear all the files in the list\r\n Proceed?";

// "Clear File(s)...": nothing on an empty queue; otherwise asks, and empties the queue on Yes.
void ClearFiles(QueueWindow& window);

}  // namespace tolvane::queue
