#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "pstcheck/PstReader.h"

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
// What pstcheck finds in strict mode at the NDB level (header, pages, B-trees, blocks, maps):
// the tests' files hold raw nodes, so heaps, tables and the store are not looked for.
// checkDataBlocks false leaves external blocks' trailers unread, for files of many GiB.
std::vector<std::string> pstcheckNdbProblems(const std::filesystem::path& file,
                                             bool checkDataBlocks = true);
// The file through pstcheck's reader, once its NDB has no problem (each one fails the test).
pstcheck::PstReader inspect(const std::filesystem::path& file, bool checkDataBlocks = true);

}  // namespace tolvane::pst::ndb::test
