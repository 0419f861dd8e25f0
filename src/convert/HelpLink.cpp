#include "convert/HelpLink.h"

#include "platform/ProgramFile.h"

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

std::filesystem::path helpManualFor(const std::filesystem::path& programFile) {
    if (programFile.empty()) {
        return {};
    }
#ifdef _WIN32
    return programFile.parent_path() / "help.html";
#else
    return (programFile.parent_path() / ".." / "share" / "doc" / "tolvane" / "help.html")
        .lexically_normal();
#endif
}

std::filesystem::path helpManual() {
    return helpManualFor(programFile());
}

std::string troubleshootingUrl() {
    const std::filesystem::path manual = helpManual();
    return manual.empty() ? std::string() : fileUrl(manual, "troubleshooting");
}

}  // namespace tolvane::convert
