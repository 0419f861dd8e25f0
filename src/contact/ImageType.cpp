#include "contact/ImageType.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tolvane::contact {

std::optional<ImageType> imageTypeOf(const mapi::Bytes& data) {
    struct Signature {
        std::string_view magic;
        std::size_t offset;
        const char* mime;
        const char* ext;
    };
    static constexpr std::array<Signature, 8> signatures = {{
        {"\xFF\xD8\xFF", 0, "image/jpeg", ".jpg"},
        {"\x89PNG\r\n\x1A\n", 0, "image/png", ".png"},
        {"GIF87a", 0, "image/gif", ".gif"},
        {"GIF89a", 0, "image/gif", ".gif"},
        {"BM", 0, "image/bmp", ".bmp"},
        {std::string_view("II*\0", 4), 0, "image/tiff", ".tif"},
        {std::string_view("MM\0*", 4), 0, "image/tiff", ".tif"},
        {"WEBP", 8, "image/webp", ".webp"},
    }};
    for (const auto& s : signatures) {
        if (data.size() >= s.offset + s.magic.size() &&
            std::equal(s.magic.begin(), s.magic.end(), data.begin() + s.offset,
                       [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; })) {
            return ImageType{s.mime, s.ext};
        }
    }
    return std::nullopt;
}

}  // namespace tolvane::contact
