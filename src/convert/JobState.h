#pragma once

#include <memory>
#include <string>

#include "convert/PathList.h"
#include "store/Session.h"

namespace tolvane::convert {

// What the window owns for the conversion and keeps from one run to the next; each run
// overwrites it. After a failed run the session stays held, logged on, until the next run
// replaces it or the window goes (destroying it closes its stores).
struct JobState {
    explicit JobState(PathList& list) : workingPathList(list) {}

    PathList& workingPathList;  // the window's; its ResetQueue sets it back to one empty entry
    std::string destFolder;     // with its trailing separator
    std::string storeDisplayName;
    std::unique_ptr<store::Session> session;
};

}  // namespace tolvane::convert
