// A file opened ahead must be the file its import reads, and what is held stays bounded and
// goes with the run. Each check removes the file's name before the import, so only a held
// descriptor can still reach its bytes.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "mapi/Tags.h"
#include "mime/EmlImport.h"
#include "mime/FilesOpenedAhead.h"
#include "platform/AppError.h"

namespace tolvane::mime {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
class FilesOpenedAheadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tolvane-opened-ahead-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string message(const std::string& name) {
        const fs::path file = folder_ / name;
        std::ofstream(file, std::ios::binary)
            << "From: ann@example.org\r\nSubject: " << name << "\r\n\r\nBody.\r\n";
        return file.string();
    }

    fs::path folder_;
};

std::string subjectOf(const mapi::Message& message) {
    const auto* value = message.props.get(mapi::tag::kSubject);
    return value ? value->asString() : "<none>";
}

TEST_F(FilesOpenedAheadTest, TheImportReadsTheFileOpenedAheadAndNoOtherOpensIt) {
    FilesOpenedAhead ahead;
    const std::string held = message("held.eml");
    const std::string notHeld = message("not-held.eml");
    ahead.open(held);
    fs::remove(held);
    fs::remove(notHeld);

    EXPECT_EQ(subjectOf(importEml(held, {}, ahead.take(held))), "held.eml");
    EXPECT_EQ(ahead.take(held), -1);  // handed over once
    // Without a held descriptor the import opens the name, and says it is gone.
    EXPECT_THROW(importEml(notHeld, {}, ahead.take(notHeld)), AppError);
}

TEST_F(FilesOpenedAheadTest, ItHoldsNoMoreThanItsLimitAndNothingAfterClear) {
    FilesOpenedAhead ahead(2);
    const std::string first = message("1.eml");
    const std::string second = message("2.eml");
    const std::string third = message("3.eml");
    ahead.open(first);
    ahead.open(second);
    ahead.open(second);  // held already: not opened twice
    ahead.open(third);   // the longest held, the first, is closed
    ahead.open((folder_ / "missing.eml").string());
    for (const auto& file : {first, second, third}) {
        fs::remove(file);
    }

    EXPECT_EQ(ahead.take(first), -1);
    EXPECT_EQ(ahead.take((folder_ / "missing.eml").string()), -1);
    EXPECT_EQ(subjectOf(importEml(second, {}, ahead.take(second))), "2.eml");
    EXPECT_EQ(ahead.take(second), -1);

    ahead.clear();
    EXPECT_EQ(ahead.take(third), -1);
}

// A file can be announced after its import opened it itself; held and never taken, it must
// not keep the record of every file taken after it.
TEST_F(FilesOpenedAheadTest, AFileNeverTakenKeepsNothingOfTheFilesTakenAfterIt) {
    FilesOpenedAhead ahead(8);
    ahead.open(message("never-taken.eml"));
    for (int i = 0; i < 100; ++i) {
        const std::string file = message(std::to_string(i) + ".eml");
        ahead.open(file);
        const int fd = ahead.take(file);
        ASSERT_GE(fd, 0) << file;
        ::close(fd);
    }
    EXPECT_EQ(ahead.kept(), 1u);
    ahead.clear();
    EXPECT_EQ(ahead.kept(), 0u);
}
#endif

}  // namespace
}  // namespace tolvane::mime
