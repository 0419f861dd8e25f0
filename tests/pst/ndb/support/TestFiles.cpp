#include "TestFiles.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

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

std::vector<std::string> pstcheckNdbProblems(const std::filesystem::path& file,
                                             bool checkDataBlocks) {
    std::vector<std::string> problems;
    try {
        const pstcheck::PstReader reader(file, {checkDataBlocks});
        const pstcheck::CheckResult result = reader.check(
            {.strict = true, .nodeDatabaseOnly = true, .checkDataBlocks = checkDataBlocks});
        for (const auto& p : result.report.problems()) {
            problems.push_back(pstcheck::format(p));
        }
        if (result.outcome != pstcheck::CheckResult::Outcome::Checked) {
            problems.push_back("not checked as a Unicode PST");
        }
    } catch (const pstcheck::ReadError& e) {
        problems.push_back(e.what());
    }
    return problems;
}

pstcheck::PstReader inspect(const std::filesystem::path& file, bool checkDataBlocks) {
    EXPECT_EQ(pstcheckNdbProblems(file, checkDataBlocks), std::vector<std::string>{}) << file;
    return pstcheck::PstReader(file, {checkDataBlocks});
}

}  // namespace tolvane::pst::ndb::test
