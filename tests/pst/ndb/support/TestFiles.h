#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tolvane::pst::ndb::test {

// A fresh path in a per-test temporary folder, removed with the folder.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    std::filesystem::path file(const std::string& name) const { return dir_ / name; }

  private:
    std::filesystem::path dir_;
};

std::filesystem::path samplesDir();

struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult runCommand(const std::string& command);
// pffinfo -a: it checks the header CRCs and lists unallocated ranges from the AMaps.
CommandResult pffinfo(const std::filesystem::path& file);
// What tolvane-pstcheck --strict finds at the NDB level (header, pages, blocks, B-trees, maps);
// the tests' files hold raw nodes, so heap, table and store findings are left out. Empty when
// the checker is not built.
std::vector<std::string> pstcheckNdbProblems(const std::filesystem::path& file);

}  // namespace tolvane::pst::ndb::test
