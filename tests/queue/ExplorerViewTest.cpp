#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/AppError.h"
#include "queue/ExplorerView.h"
#include "queue/ViewSettingsFile.h"

namespace tolvane::queue {
namespace {

namespace fs = std::filesystem;
using Writes = std::vector<std::pair<std::string, std::uint32_t>>;

const Writes kShowAll{{kHiddenValue, 1}, {kShowSuperHiddenValue, 1}, {kHideFileExtValue, 0}};
const Writes kHideAll{{kHiddenValue, 2}, {kShowSuperHiddenValue, 0}, {kHideFileExtValue, 1}};

// Remembers every write in order; a value can be made unreadable, a write can be refused.
class RecordingStore : public ViewSettingsStore {
  public:
    std::map<std::string, std::uint32_t> values;
    Writes writes;
    bool readFails = false;
    std::string refusedWrite;

    std::uint32_t read(const std::string& name) override {
        if (readFails || !values.contains(name)) {
            throw AppError(errc::kFileNotFound, "no value");
        }
        return values.at(name);
    }
    void write(const std::string& name, std::uint32_t value) override {
        writes.emplace_back(name, value);
        if (name == refusedWrite) {
            throw AppError(errc::kPermissionDenied, "Permission denied");
        }
        values[name] = value;
    }
};

TEST(ToggleExplorerView, HiddenAtTwoWritesShowAllInOrder) {
    RecordingStore store;
    store.values[kHiddenValue] = 2;
    ToggleExplorerView(store);
    EXPECT_EQ(store.writes, kShowAll);
}

TEST(ToggleExplorerView, HiddenMissingOrUnreadableOrOneWritesHideAll) {
    RecordingStore missing;
    ToggleExplorerView(missing);
    EXPECT_EQ(missing.writes, kHideAll);

    RecordingStore unreadable;
    unreadable.values[kHiddenValue] = 2;
    unreadable.readFails = true;
    ToggleExplorerView(unreadable);
    EXPECT_EQ(unreadable.writes, kHideAll);

    for (const std::uint32_t hidden : {0u, 1u, 3u}) {
        RecordingStore store;
        store.values[kHiddenValue] = hidden;
        ToggleExplorerView(store);
        EXPECT_EQ(store.writes, kHideAll) << "Hidden was " << hidden;
    }
}

TEST(ToggleExplorerView, SuccessiveTogglesAlternate) {
    RecordingStore store;
    store.values[kHiddenValue] = 2;
    ToggleExplorerView(store);
    ToggleExplorerView(store);
    ToggleExplorerView(store);
    Writes expected = kShowAll;
    expected.insert(expected.end(), kHideAll.begin(), kHideAll.end());
    expected.insert(expected.end(), kShowAll.begin(), kShowAll.end());
    EXPECT_EQ(store.writes, expected);
}

TEST(ToggleExplorerView, ARefusedWriteIsSkippedAndTheNextOneRuns) {
    RecordingStore store;
    store.refusedWrite = kHiddenValue;
    ToggleExplorerView(store);
    EXPECT_EQ(store.writes, kHideAll);
    EXPECT_EQ(store.values.at(kHideFileExtValue), 1u);
    EXPECT_FALSE(store.values.contains(kHiddenValue));
}

TEST(HiddenFilesShown, FollowsHiddenAtOne) {
    RecordingStore store;
    EXPECT_FALSE(HiddenFilesShown(store));
    store.values[kHiddenValue] = 1;
    EXPECT_TRUE(HiddenFilesShown(store));
    store.values[kHiddenValue] = 2;
    EXPECT_FALSE(HiddenFilesShown(store));
    store.values[kHiddenValue] = 1;
    store.readFails = true;
    EXPECT_FALSE(HiddenFilesShown(store));
}

// The settings file is where Linux keeps the view settings; Windows keeps them in the
// registry (tests/win32app).
#ifndef _WIN32
class ViewSettingsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tolvane-view-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder_, ignored);
    }
    std::string contents(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder_;
};

TEST_F(ViewSettingsFileTest, TogglesAlternateThroughTheFile) {
    ViewSettingsFile store(folder_ / "tolvane" / "explorer-view-settings");
    ToggleExplorerView(store);  // no file yet: hide-all
    EXPECT_EQ(store.read(kHiddenValue), 2u);
    EXPECT_EQ(store.read(kShowSuperHiddenValue), 0u);
    EXPECT_EQ(store.read(kHideFileExtValue), 1u);
    EXPECT_FALSE(HiddenFilesShown(store));

    ViewSettingsFile reopened(store.file());
    ToggleExplorerView(reopened);
    EXPECT_EQ(reopened.read(kHiddenValue), 1u);
    EXPECT_EQ(reopened.read(kShowSuperHiddenValue), 1u);
    EXPECT_EQ(reopened.read(kHideFileExtValue), 0u);
    EXPECT_TRUE(HiddenFilesShown(reopened));

    ToggleExplorerView(reopened);
    EXPECT_EQ(reopened.read(kHiddenValue), 2u);
    EXPECT_EQ(contents(store.file()), std::string(kHiddenValue) + "=2\n" + kShowSuperHiddenValue +
                                          "=0\n" + kHideFileExtValue + "=1\n");
}

TEST_F(ViewSettingsFileTest, WritesKeepOtherLinesAndLeaveNoTemporaryFile) {
    const fs::path file = folder_ / "explorer-view-settings";
    std::ofstream(file) << "Other=7\n" << kHiddenValue << "=2\n";
    ViewSettingsFile store(file);
    ToggleExplorerView(store);
    EXPECT_EQ(store.read("Other"), 7u);
    EXPECT_EQ(store.read(kHiddenValue), 1u);
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(folder_)) {
        entries.push_back(entry.path());
    }
    EXPECT_EQ(entries, std::vector<fs::path>{file});
}

TEST_F(ViewSettingsFileTest, AValueThatIsNotANumberReadsAsAFailure) {
    const fs::path file = folder_ / "explorer-view-settings";
    std::ofstream(file) << kHiddenValue << "=two\n";
    ViewSettingsFile store(file);
    EXPECT_THROW(store.read(kHiddenValue), AppError);
    ToggleExplorerView(store);  // unreadable Hidden: hide-all
    EXPECT_EQ(store.read(kHiddenValue), 2u);
}

TEST_F(ViewSettingsFileTest, AnUnusableStoreIsSilent) {
    // A folder where the file should be: nothing can be read or written there.
    const fs::path blocked = folder_ / "explorer-view-settings";
    fs::create_directory(blocked);
    ViewSettingsFile store(blocked);
    EXPECT_NO_THROW(ToggleExplorerView(store));
    EXPECT_FALSE(HiddenFilesShown(store));
    EXPECT_TRUE(fs::is_directory(blocked));

    ViewSettingsFile nowhere{fs::path()};
    EXPECT_NO_THROW(ToggleExplorerView(nowhere));
    EXPECT_FALSE(HiddenFilesShown(nowhere));
}

TEST_F(ViewSettingsFileTest, TheUserFileLiesInTheUsersConfigFolder) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string restore = saved != nullptr ? saved : "";
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    EXPECT_EQ(ViewSettingsFile::userFile(), folder_ / "tolvane" / "explorer-view-settings");
    // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_EQ(ViewSettingsFile::userFile().parent_path().parent_path().filename(), ".config");
    if (saved != nullptr) {
        setenv("XDG_CONFIG_HOME", restore.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

#endif

}  // namespace
}  // namespace tolvane::queue
