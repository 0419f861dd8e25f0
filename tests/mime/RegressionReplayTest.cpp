// Inputs the fuzzer made the import fail on, and the fuzzer's seeds (the corpus and the
// damaged mail), replayed under the sanitizers: each must import (or be refused as empty)
// into a sound message.

#include <gtest/gtest.h>

#include <filesystem>

#include "ModelInvariants.h"
#include "mime/EmlImport.h"
#include "platform/AppError.h"

namespace tolvane::mime::test {
namespace {

void replayFolder(const std::filesystem::path& folder, std::size_t minimum) {
    std::size_t replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        ++replayed;
        try {
            const auto m = importEml(entry.path());
            EXPECT_EQ(modelViolation(m), "") << entry.path();
        } catch (const AppError& e) {
            EXPECT_EQ(std::filesystem::file_size(entry.path()), 0u) << e.description();
        }
    }
    EXPECT_GE(replayed, minimum) << folder;
}

TEST(FuzzRegressions, EveryKeptInputImportsSoundly) {
    replayFolder(TOLVANE_MIME_REGRESSIONS, 1);
}

TEST(FuzzSeeds, EverySeedImportsSoundly) {
    replayFolder(TOLVANE_MIME_CORPUS, 16);
    replayFolder(TOLVANE_MIME_DAMAGED, 20);
}

}  // namespace
}  // namespace tolvane::mime::test
