#pragma once

// Writes a message written for a test to a temp file and imports it; small readers for
// the properties the tests check.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "mapi/Message.h"
#include "mapi/PropTag.h"
#include "mime/EmlImport.h"

namespace tolvane::mime::test {

class TempFile {
  public:
    explicit TempFile(std::string_view bytes) {
        std::string templ = (std::filesystem::temp_directory_path() / "mime-test-XXXXXX").string();
        const int fd = mkstemp(templ.data());
        path_ = templ;
        if (fd >= 0) {
            std::size_t done = 0;
            while (done < bytes.size()) {
                const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            close(fd);
        }
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline mapi::Message importText(std::string_view eml, const mapi::ImportOptions& options = {}) {
    TempFile f(eml);
    return importEml(f.path(), options);
}

inline std::string str(const mapi::PropertyList& p, mapi::PropTag id) {
    const auto* v = p.get(id);
    return v ? v->asString() : std::string("<absent>");
}

inline std::int64_t num(const mapi::PropertyList& p, mapi::PropTag id) {
    const auto* v = p.get(id);
    return v ? v->asInteger() : -999;
}

inline std::string bin(const mapi::PropertyList& p, mapi::PropTag id) {
    const auto* v = p.get(id);
    if (!v)
        return "<absent>";
    const auto bytes = v->binaryBytes();
    return std::string(bytes.begin(), bytes.end());
}

inline std::int64_t unixTime(const mapi::PropertyList& p, mapi::PropTag id) {
    const auto* v = p.get(id);
    return v ? v->asTime().toUnixSeconds() : -1;
}

}  // namespace tolvane::mime::test
