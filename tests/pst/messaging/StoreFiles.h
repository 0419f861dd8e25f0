#pragma once

// What the store tests share: a temporary folder per test, the independent readers and the
// checker run on every file written, and messages built for the cases.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

  private:
    std::filesystem::path dir_;
};

// A JSON string literal.
std::string jsonString(const std::string& utf8);

mapi::Message mailMessage(const std::string& subject, const std::string& body, bool read);
// Sets mfHasAttach where a message (or one embedded in it) has attachments, as the store
// session does before it hands a message to the writer.
void flagAttachments(mapi::Message& message);

}  // namespace tolvane::pst::testing
