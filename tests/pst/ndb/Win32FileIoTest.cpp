// The PST file over the Windows file (under Wine in the Windows tests): positioned writes and
// reads, gathered runs, growing and cutting, sync, and the create-only rule, on a non-ASCII long
// path.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "Win32TempFolder.h"
#include "platform/win32/WideText.h"
#include "pst/PstError.h"
#include "pst/ndb/PstFile.h"

namespace tolvane::pst::ndb {
namespace {

namespace fs = std::filesystem;

// A folder with a non-ASCII name: the PST file crosses to the system as UTF-16.
class Folder : public testing::TempFolder {
  public:
    Folder() : TempFolder(L"tolvane-pst-\u00E9t\u00E9") {}
};

// Read as the program's own readers do (ByteSource), sharing all: the writer's handle has
// write and delete access.
std::vector<std::uint8_t> bytesOnDisk(const fs::path& file) {
    HANDLE handle = CreateFileW((L"\\\\?\\" + file.wstring()).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    GetFileSizeEx(handle, &size);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(handle);
    bytes.resize(read);
    return bytes;
}

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t start) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), start);
    return bytes;
}

TEST(PstFileOnWindows, GatheredAndWrittenThroughBytesLandWhereTheyWereWritten) {
    Folder folder;
    const fs::path file = folder.path() / L"Zimbra\u00C9t\u00E9.pst";
    const auto big = pattern(std::size_t{3} << 20, 7);  // written through, past the runs
    {
        PstFile pst(file, FileSystem::native());
        pst.publish();
        pst.write(512, pattern(512, 1));
        pst.write(0, pattern(512, 2));  // before the first run: runs stay in file order
        const auto room = pst.place(1024, 16);
        std::fill(room.begin(), room.end(), 0xAB);
        pst.write(4096, big);
        pst.write(600, std::vector<std::uint8_t>(8, 0xEE));  // over gathered bytes: later wins
        std::vector<std::uint8_t> back(8);
        pst.read(600, back);
        EXPECT_EQ(back, std::vector<std::uint8_t>(8, 0xEE));
        pst.sync();
    }
    const auto disk = bytesOnDisk(file);
    ASSERT_EQ(disk.size(), 4096 + big.size());
    EXPECT_EQ(std::vector<std::uint8_t>(disk.begin(), disk.begin() + 512), pattern(512, 2));
    auto expectedRun = pattern(512, 1);
    std::fill(expectedRun.begin() + 88, expectedRun.begin() + 96, 0xEE);
    EXPECT_EQ(std::vector<std::uint8_t>(disk.begin() + 512, disk.begin() + 1024), expectedRun);
    EXPECT_EQ(std::vector<std::uint8_t>(disk.begin() + 1024, disk.begin() + 1040),
              std::vector<std::uint8_t>(16, 0xAB));
    EXPECT_EQ(std::vector<std::uint8_t>(disk.begin() + 4096, disk.end()), big);
}

TEST(PstFileOnWindows, ExtendAndTruncateSetTheEndOfTheFile) {
    Folder folder;
    const fs::path file = folder.path() / L"resize.pst";
    PstFile pst(file, FileSystem::native());
    pst.publish();
    pst.write(0, pattern(100, 0));
    pst.extend(100, 8192);
    pst.sync();
    const std::vector<std::uint8_t> grown = bytesOnDisk(file);
    ASSERT_EQ(grown.size(), 8192u);
    EXPECT_EQ(std::vector<std::uint8_t>(grown.begin(), grown.begin() + 100), pattern(100, 0));
    EXPECT_EQ(std::count(grown.begin() + 100, grown.end(), 0), 8092);  // the new bytes are zero
    pst.truncate(50);
    EXPECT_EQ(bytesOnDisk(file).size(), 50u);
    std::vector<std::uint8_t> past(10);
    EXPECT_THROW(pst.read(45, past), PstWriteError);  // reading past the end fails
}

TEST(PstFileOnWindows, AnExistingFileIsNeverOverwritten) {
    Folder folder;
    const fs::path file = folder.path() / L"taken.pst";
    {
        PstFile first(file, FileSystem::native());
        first.publish();
        first.write(0, pattern(10, 1));
        first.flush();
    }
    try {
        PstFile second(file, FileSystem::native());
        FAIL() << "an existing file was opened";
    } catch (const PstError& error) {
        EXPECT_NE(std::string(error.what()).find("it already exists"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(bytesOnDisk(file), pattern(10, 1));
}

// A new file takes its name only once published; until then it waits under a name of its own,
// marked for deletion, so that a writer stopped before (an error, a kill) leaves nothing.
TEST(PstFileOnWindows, AFileHasItsNameOnlyOncePublished) {
    Folder folder;
    const fs::path file = folder.path() / L"Zimbra\u00C9t\u00E9-incomplete.pst";
    const auto namesHere = [&] {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().wstring());
        }
        return names;
    };
    {
        PstFile dropped(file, FileSystem::native());
        dropped.write(0, pattern(100, 1));
        dropped.sync();
        const auto names = namesHere();
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(names[0].ends_with(L".tmp"));
        EXPECT_NE(names[0], file.filename().wstring());
    }
    EXPECT_TRUE(namesHere().empty()) << "a file dropped before it was named stayed";
    {
        PstFile named(file, FileSystem::native());
        named.write(0, pattern(100, 2));
        named.sync();
        named.publish();
        named.write(100, pattern(28, 3));
        named.sync();
    }
    EXPECT_EQ(namesHere(), std::vector<std::wstring>{file.filename().wstring()});
    auto expected = pattern(100, 2);
    const auto tail = pattern(28, 3);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(bytesOnDisk(file), expected);
}

// What a power cut leaves under a creation name goes when the next file is created in that
// folder; a live run's stays, and is named when its run publishes it.
TEST(PstFileOnWindows, AFileLeftUnderACreationNameGoesButALiveOneStays) {
    Folder folder;
    PstFile live(folder.path() / L"live-incomplete.pst", FileSystem::native());
    live.write(0, pattern(64, 5));
    live.sync();
    const fs::path left = creationPathFor(folder.path() / L"Gel\u00F6scht-incomplete.pst");
    HANDLE planted = CreateFileW((L"\\\\?\\" + left.wstring()).c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(planted, INVALID_HANDLE_VALUE);
    CloseHandle(planted);
    const fs::path alike = folder.path() / L"notes.txt.creating-0123ABCD.tmp";
    CloseHandle(CreateFileW((L"\\\\?\\" + alike.wstring()).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_EQ(creationFilesIn(folder.path()).size(), 2u);

    PstFile next(folder.path() / L"next-incomplete.pst", FileSystem::native());
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(alike));
    EXPECT_EQ(creationFilesIn(folder.path()).size(), 2u);  // the live one, next's
    live.publish();
    live.sync();
    EXPECT_EQ(bytesOnDisk(folder.path() / L"live-incomplete.pst"), pattern(64, 5));
}

TEST(PstFileOnWindows, PathsPastMaxPathWork) {
    Folder folder;
    fs::path deep = folder.path();
    for (int level = 0; level < 10; ++level) {
        deep /= std::wstring(30, static_cast<wchar_t>(L'a' + level));
    }
    fs::create_directories(fs::path(L"\\\\?\\" + deep.wstring()));
    const fs::path file = deep / L"deep.pst";
    ASSERT_GT(file.wstring().size(), 300u);
    {
        PstFile pst(file, FileSystem::native());
        pst.write(0, pattern(64, 3));
        pst.sync();
        pst.publish();
        pst.sync();
    }
    EXPECT_EQ(bytesOnDisk(file), pattern(64, 3));
}

}  // namespace
}  // namespace tolvane::pst::ndb
