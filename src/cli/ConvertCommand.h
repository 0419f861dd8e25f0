#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tolvane::cli {

// tolvane-convert: the conversion job on a queue built from the arguments. Returns the exit
// status: 0 all converted, 1 some not, 2 nothing could start. `stopRequested` is polled at
// every yield of the job (an interrupt from the terminal).
int runConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               bool errIsTerminal, bool (*stopRequested)());

}  // namespace tolvane::cli
