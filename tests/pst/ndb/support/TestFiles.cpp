#include "TestFiles.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace tolvane::pst::ndb::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pst_ndb_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    dir_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::filesystem::path samplesDir() {
    return TOLVANE_PST_SAMPLES;
}

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        result.output.append(buf, n);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

CommandResult pffinfo(const std::filesystem::path& file) {
    return runCommand("pffinfo -a '" + file.string() + "'");
}

std::vector<std::string> pstcheckNdbProblems(const std::filesystem::path& file) {
    std::vector<std::string> problems;
    static const std::vector<std::string> aboveNdb{
        "STORE.",  "NAMEID",     "HNHDR.",       "HNPAGEMAP.",        "BTH",
        "PC.",     "TC.",        "TCINFO.",      "TCOLDESC.",         "MESSAGE.",
        "FOLDER.", "ATTACHMENT", "NODE.bidData", "NBTENTRY.nidParent"};
    const auto result =
        runCommand(std::string(TOLVANE_PSTCHECK) + " --strict '" + file.string() + "'");
    std::size_t start = 0;
    const std::string prefix = file.string() + ": ";
    while (start < result.output.size()) {
        std::size_t end = result.output.find('\n', start);
        if (end == std::string::npos) {
            end = result.output.size();
        }
        std::string line = result.output.substr(start, end - start);
        start = end + 1;
        if (line.rfind(prefix, 0) == 0) {
            line.erase(0, prefix.size());
        }
        const bool summary =
            line.find("problem(s)") != std::string::npos || line.rfind("OK", 0) == 0;
        bool ltp = false;
        for (const auto& code : aboveNdb) {
            ltp = ltp || line.rfind(code, 0) == 0;
        }
        if (!line.empty() && !summary && !ltp) {
            problems.push_back(line);
        }
    }
    if (result.status != 0 && result.status != 1) {
        problems.push_back("tolvane-pstcheck exited with " + std::to_string(result.status));
    }
    return problems;
}

}  // namespace tolvane::pst::ndb::test
