#pragma once

// What the store tests share: a temporary folder per test, the independent readers and the
// checker run on every file written, and messages built for the cases.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "mapi/Message.h"

namespace tolvane::pst::testing {

class StoreFiles : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path file(const std::string& name) const { return dir_ / name; }
    // Runs a command; returns its exit code and leaves its output in `output`.
    int run(const std::string& command, std::string& output) const;
    // All four readers read the whole file and show what `expected` (harness JSON) says.
    void expectReadersSee(const std::filesystem::path& pst, const std::string& expected) const;
    // tolvane-pstcheck --strict finds nothing wrong (when it is built).
    void expectCheckerPasses(const std::filesystem::path& pst) const;
    std::string sha256(const mapi::Bytes& bytes) const;
    // Every value of every message, attached ones included, as message_tree.py --flat reads
    // them: (path, tag) to the value's JSON text; path is the subject, then /aN for attachment
    // N, /m for its message, /rN for recipient row N. Fails the test when the reader fails.
    std::map<std::pair<std::string, std::string>, std::string> storedValues(
        const std::filesystem::path& pst) const;

  private:
    std::filesystem::path dir_;
};

// A JSON string literal.
std::string jsonString(const std::string& utf8);

mapi::Message mailMessage(const std::string& subject, const std::string& body, bool read);

}  // namespace tolvane::pst::testing
