#pragma once

#include <string>

namespace tolvane::mapi {

// What the user tells every importer about its input, passed with each import rather than
// set for the process, so imports on worker threads read the run's own choice.
struct ImportOptions {
    // The charset of 8-bit text that declares none (--charset), canonical; empty: the
    // locale's legacy charset. Folder names in legacy bytes are read the same way.
    std::string fallbackCharset;

    friend bool operator==(const ImportOptions&, const ImportOptions&) = default;
};

}  // namespace tolvane::mapi
