#include "queue/ViewSettingsFile.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "platform/AppError.h"

namespace tolvane::queue {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

AppError fileError(long number, const std::filesystem::path& file, const char* what) {
    return AppError(number, std::string(what) + ": " + file.string());
}

Entries readEntries(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw fileError(errc::kFileNotFound, file, "File not found");
    }
    Entries entries;
    std::string line;
    while (std::getline(in, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    if (in.bad()) {
        throw fileError(errc::kPermissionDenied, file, "Permission denied");
    }
    return entries;
}

std::uint32_t parseValue(const std::string& text) {
    std::size_t used = 0;
    const unsigned long long value = std::stoull(text, &used, 10);
    if (used != text.size() || value > 0xFFFFFFFFull) {
        throw AppError(13, "Type mismatch");
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

ViewSettingsFile::ViewSettingsFile(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path ViewSettingsFile::userFile() {
#ifdef _WIN32
    const char* base = std::getenv("APPDATA");
    if (base == nullptr || *base == '\0') {
        return {};
    }
    std::filesystem::path config(base);
#else
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        config = std::filesystem::path(home) / ".config";
    } else {
        return {};
    }
#endif
    return config / "tolvane" / "explorer-view-settings";
}

std::uint32_t ViewSettingsFile::read(const std::string& name) {
    for (const auto& [key, value] : readEntries(file_)) {
        if (key == name) {
            try {
                return parseValue(value);
            } catch (const std::logic_error&) {
                throw AppError(13, "Type mismatch");
            }
        }
    }
    throw AppError(5, "Invalid procedure call or argument: no value " + name);
}

void ViewSettingsFile::write(const std::string& name, std::uint32_t value) {
    Entries entries;
    std::error_code ignored;
    if (std::filesystem::exists(file_, ignored)) {
        entries = readEntries(file_);
    } else {
        std::filesystem::create_directories(file_.parent_path());
    }
    bool replaced = false;
    for (auto& [key, text] : entries) {
        if (key == name) {
            text = std::to_string(value);
            replaced = true;
        }
    }
    if (!replaced) {
        entries.emplace_back(name, std::to_string(value));
    }

    // Written beside the file and renamed over it, so a failed write leaves the old values.
    std::filesystem::path temporary = file_;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const auto& [key, text] : entries) {
            out << key << '=' << text << '\n';
        }
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary, ignored);
            throw fileError(errc::kPermissionDenied, temporary, "Permission denied");
        }
    }
    std::filesystem::rename(temporary, file_);
}

}  // namespace tolvane::queue
