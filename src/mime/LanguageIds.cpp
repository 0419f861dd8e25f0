#include "mime/LanguageIds.h"

#include <string>

namespace tolvane::mime {

namespace {
struct Lcid {
    std::string_view tag;
    std::int32_t lcid;
};
// Full tags first; a bare language falls back to its primary LCID.
constexpr Lcid kLcids[] = {
    {"en-us", 0x0409}, {"en-gb", 0x0809}, {"en-au", 0x0C09}, {"en-ca", 0x1009}, {"de-de", 0x0407},
    {"de-at", 0x0C07}, {"de-ch", 0x0807}, {"fr-fr", 0x040C}, {"fr-ca", 0x0C0C}, {"fr-be", 0x080C},
    {"fr-ch", 0x100C}, {"es-es", 0x0C0A}, {"es-mx", 0x080A}, {"pt-br", 0x0416}, {"pt-pt", 0x0816},
    {"zh-cn", 0x0804}, {"zh-tw", 0x0404}, {"zh-hk", 0x0C04}, {"nl-be", 0x0813}, {"en", 0x0409},
    {"de", 0x0407},    {"fr", 0x040C},    {"es", 0x0C0A},    {"it", 0x0410},    {"pt", 0x0816},
    {"nl", 0x0413},    {"sv", 0x041D},    {"da", 0x0406},    {"nb", 0x0414},    {"no", 0x0414},
    {"nn", 0x0814},    {"fi", 0x040B},    {"is", 0x040F},    {"pl", 0x0415},    {"cs", 0x0405},
    {"sk", 0x041B},    {"hu", 0x040E},    {"ro", 0x0418},    {"hr", 0x041A},    {"sl", 0x0424},
    {"bg", 0x0402},    {"ru", 0x0419},    {"uk", 0x0422},    {"el", 0x0408},    {"tr", 0x041F},
    {"he", 0x040D},    {"ar", 0x0401},    {"ja", 0x0411},    {"ko", 0x0412},    {"zh", 0x0804},
    {"th", 0x041E},    {"vi", 0x042A},    {"et", 0x0425},    {"lv", 0x0426},    {"lt", 0x0427},
    {"ca", 0x0403},
};
}  // namespace

std::optional<std::int32_t> lcidOfContentLanguage(std::string_view value) {
    std::string tag;
    for (char c : value) {
        if (c == ',' || c == ';')
            break;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (tag.empty())
                continue;
            break;
        }
        tag += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : (c == '_' ? '-' : c));
    }
    for (const auto& l : kLcids) {
        if (tag == l.tag)
            return l.lcid;
    }
    const std::string primary = tag.substr(0, tag.find('-'));
    for (const auto& l : kLcids) {
        if (primary == l.tag)
            return l.lcid;
    }
    return std::nullopt;
}

}  // namespace tolvane::mime
