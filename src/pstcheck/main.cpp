// tolvane-pstcheck [--verbose] [--strict] FILE.pst: checks a Unicode PST; exit 0 when sound, 1 when
// any problem is found, 2 when the file cannot be checked at all.
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "pstcheck/Checker.h"
#include "pstcheck/MappedFile.h"

int main(int argc, char** argv) {
    using namespace tolvane::pstcheck;
    bool verbose = false, strict = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0 || std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--strict") == 0) {
            strict = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout
                << "usage: tolvane-pstcheck [--verbose] [--strict] FILE.pst\n"
                   "Checks every structure of a Unicode PST. Prints one line per problem "
                   "and exits 1 if any;\nexits 0 with a summary when none; --verbose "
                   "also lists every node;\n--strict also reports what Outlook's own files carry "
                   "(unreferenced cRef-1 blocks,\nover-full AMaps, junk in reserved "
                   "fields): a fresh writer should pass it.\n";
            return 0;
        } else if (path.empty()) {
            path = argv[i];
        } else {
            std::cerr << "tolvane-pstcheck: one file at a time\n";
            return 2;
        }
    }
    if (path.empty()) {
        std::cerr << "usage: tolvane-pstcheck [--verbose] [--strict] FILE.pst\n";
        return 2;
    }
    try {
        const MappedFile file(path);
        const CheckResult result = checkPst(file.bytes(), {strict, verbose ? &std::cout : nullptr});
        if (result.outcome == CheckResult::Outcome::SkippedAnsi) {
            std::cout << path
                      << ": ANSI PST (wVer 14/15), not checked: only Unicode is "
                         "supported\n";
            return 0;
        }
        for (const Problem& n : result.report.notes()) {
            std::cout << path << ": note: " << format(n) << "\n";
        }
        for (const Problem& p : result.report.problems()) {
            std::cout << path << ": " << format(p) << "\n";
        }
        if (!result.report.empty() || result.outcome != CheckResult::Outcome::Checked) {
            std::cout << path << ": " << result.report.problems().size() << " problem(s)\n";
            return 1;
        }
        std::cout << path << ": OK, " << result.nodes << " nodes, " << result.blocks << " blocks, "
                  << result.folders << " folders, " << result.messages << " messages";
        if (result.tolerated > 0) {
            std::cout << " (" << result.tolerated
                      << " Outlook-tolerated leftover(s) not counted; --strict shows them)";
        }
        std::cout << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "tolvane-pstcheck: " << e.what() << "\n";
        return 2;
    }
}
