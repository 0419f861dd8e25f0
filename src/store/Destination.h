#pragma once

// Whether a run can write its store file into the destination folder, asked when the folder is
// picked so the user can pick another before anything starts.

#include <string>

namespace tolvane::store {

// Why no store file can be written into `folder`, in plain words: "Cannot write to /x/Out:
// permission denied" (a folder that is missing, a file, read-only, or not the user's to
// write). Empty when it can be written to.
std::string cannotWriteTo(const std::string& folder);

// The sentence for a refusal, the system's reason in lower case after the colon.
inline std::string cannotWriteSentence(const std::string& folder, std::string reason) {
    if (!reason.empty() && reason.front() >= 'A' && reason.front() <= 'Z') {
        reason.front() = static_cast<char>(reason.front() - 'A' + 'a');
    }
    return "Cannot write to " + folder + ": " + reason;
}

}  // namespace tolvane::store
