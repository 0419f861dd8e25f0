#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tolvane::cli {

// tolvane-convert: the conversion job on a queue built from the arguments. Returns the exit
// status: 0 all converted, 1 some not (a stop, a write failure, files that could not be
// read), 2 nothing could start. `stopRequested` is polled at every yield of the job (a
// signal asking the program to end).
int runConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool errIsTerminal, bool (*stopRequested)());

}  // namespace tolvane::cli
