#pragma once

#include "platform/Ui.h"
#include "queue/FileQueue.h"

namespace tolvane::queue {

// What the queue commands need from the window that holds the queue.
class QueueWindow {
  public:
    virtual ~QueueWindow() = default;

    virtual Ui& ui() = 0;
    virtual FileQueue& fileQueue() = 0;
    virtual void setConvertEnabled(bool enabled) = 0;
    // True once the window is unloaded: a command that yielded stops where it stands.
    virtual bool unloaded() const = 0;
};

}  // namespace tolvane::queue
