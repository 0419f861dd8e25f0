#include "convert/HelpLink.h"

#include <system_error>

namespace tolvane::convert {

std::string fileUrl(const std::filesystem::path& file, const std::string& fragment) {
    static const char digits[] = "0123456789ABCDEF";
    const std::u8string name = std::filesystem::absolute(file).generic_u8string();
    std::string url = "file://";
    // A drive path (C:/...) is written file:///C:/..., its colon as it stands.
    const bool drive = name.size() >= 2 && name[1] == u8':';
    if (drive) {
        url += '/';
    }
    for (std::size_t k = 0; k < name.size(); ++k) {
        const auto c = static_cast<unsigned char>(name[k]);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '.' || c == '_' ||
                           c == '~' || (drive && k == 1);
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += digits[c >> 4];
            url += digits[c & 0x0F];
        }
    }
    return fragment.empty() ? url : url + "#" + fragment;
}

std::string troubleshootingUrl() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        for (auto dir = program.parent_path(); !dir.empty(); dir = dir.parent_path()) {
            for (const auto& candidate : {dir / "help.html", dir / "docs" / "help.html",
                                          dir / "share" / "doc" / "tolvane" / "help.html"}) {
                if (std::filesystem::is_regular_file(candidate, error)) {
                    return fileUrl(candidate, "troubleshooting");
                }
            }
            if (dir == dir.root_path()) {
                break;
            }
        }
    }
    return fileUrl(std::filesystem::path(TOLVANE_SOURCE_DIR) / "docs" / "help.html",
                   "troubleshooting");
}

}  // namespace tolvane::convert
