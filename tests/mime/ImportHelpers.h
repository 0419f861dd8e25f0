#pragma once

// Writes a message written for a test to a temp file and imports it; small readers for
// the properties the tests check.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

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

// Every value of a message, its rows and embedded messages as text, streams read out, so two
// imports compare with one EXPECT_EQ and a readable difference.
inline std::string describe(const mapi::Message& m, const std::string& indent = "") {
    std::string out;
    const auto value = [](const mapi::PropValue& v) {
        std::string text = std::to_string(static_cast<unsigned>(v.type())) + " ";
        std::visit(
            [&](const auto& p) {
                using T = std::decay_t<decltype(p)>;
                if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, double> ||
                              std::is_same_v<T, bool>) {
                    text += std::to_string(p);
                } else if constexpr (std::is_same_v<T, std::string>) {
                    text += p;
                } else if constexpr (std::is_same_v<T, mapi::Bytes>) {
                    text += std::string(p.begin(), p.end());
                } else if constexpr (std::is_same_v<T, mapi::PropValue::Stream>) {
                    const auto bytes = p->readAll();
                    text += "stream " + std::string(bytes.begin(), bytes.end());
                } else if constexpr (std::is_same_v<T, mapi::Guid>) {
                    text += p.toString();
                } else {
                    text += "values " + std::to_string(p.size());
                }
            },
            v.payload());
        return text;
    };
    const auto props = [&](const mapi::PropertyList& p, const std::string& at) {
        for (const auto& [id, v] : p.tagged())
            out += at + std::to_string(id) + " = " + value(v) + "\n";
        for (const auto& [name, v] : p.named())
            out += at + name.name + std::to_string(name.lid.value_or(0)) + " = " + value(v) + "\n";
    };
    props(m.props, indent);
    for (const auto& r : m.recipients)
        props(r.props, indent + "recipient ");
    for (const auto& a : m.attachments) {
        props(a.props, indent + "attachment ");
        if (a.embedded)
            out += describe(*a.embedded, indent + "  ");
    }
    out += indent + "memory " + std::to_string(m.memoryBytes) + ", verdict " +
           std::to_string(static_cast<int>(m.verdict)) + "\n";
    return out;
}

}  // namespace tolvane::mime::test
