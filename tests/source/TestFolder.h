#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tolvane::source::test {

// A new folder in the temporary folder, removed with what it holds at the end.
class TestFolder {
  public:
    TestFolder() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("tolvane-source-test-" + std::to_string(now) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path write(std::string_view name, std::string_view text) const {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    bool empty() const { return std::filesystem::is_empty(path_); }

  private:
    std::filesystem::path path_;
};

}  // namespace tolvane::source::test
