#include "mime/FallbackCharset.h"

#include <cstdlib>
#include <stdexcept>

#include "mime/AsciiText.h"
#include "mime/Charset.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace tolvane::mime {

namespace {

struct LanguageCharset {
    std::string_view language;  // ISO 639 code, or code and territory
    std::string_view charset;
};

// The ANSI code page Windows gives each language.
constexpr LanguageCharset kLanguages[] = {
    {"zh_tw", "big5"},      {"zh_hk", "big5"},      {"zh_mo", "big5"},      {"zh", "gb18030"},
    {"ja", "shift_jis"},    {"ko", "cp949"},        {"ru", "windows-1251"}, {"uk", "windows-1251"},
    {"be", "windows-1251"}, {"bg", "windows-1251"}, {"sr", "windows-1251"}, {"mk", "windows-1251"},
    {"kk", "windows-1251"}, {"pl", "windows-1250"}, {"cs", "windows-1250"}, {"sk", "windows-1250"},
    {"hu", "windows-1250"}, {"sl", "windows-1250"}, {"hr", "windows-1250"}, {"ro", "windows-1250"},
    {"sq", "windows-1250"}, {"bs", "windows-1250"}, {"el", "windows-1253"}, {"tr", "windows-1254"},
    {"az", "windows-1254"}, {"he", "windows-1255"}, {"ar", "windows-1256"}, {"fa", "windows-1256"},
    {"ur", "windows-1256"}, {"et", "windows-1257"}, {"lv", "windows-1257"}, {"lt", "windows-1257"},
    {"vi", "windows-1258"}, {"th", "windows-874"},
};

std::string systemCharset() {
#if defined(_WIN32)
    const unsigned acp = GetACP();
    return acp == 1252 || acp == 65001 ? std::string()
                                       : canonicalCharset("cp" + std::to_string(acp));
#else
    // Asked once a file: the answer is kept while the locale stays the same.
    thread_local std::string locale = "\x01";
    thread_local std::string charset;
    if (std::string now = processLocale(); now != locale) {
        charset = localeCharset(now);
        locale = std::move(now);
    }
    return charset;
#endif
}

}  // namespace

std::string checkedCharset(std::string_view name) {
    const std::string canonical = canonicalCharset(name);
    if (!canonical.empty() && !decodeCharset("", canonical))
        throw std::invalid_argument("unknown charset: " + std::string(name));
    return canonical;
}

std::string fallbackCharset(const std::string& chosen) {
    return chosen.empty() ? systemCharset() : chosen;
}

std::string decodeUndeclared(std::string_view bytes, const mapi::ImportOptions& options) {
    return UndeclaredCharsets({fallbackCharset(options.fallbackCharset)}).decode(bytes).utf8;
}

std::string localeCharset(std::string_view locale) {
    std::string name = lowerAscii(locale);
    if (const auto at = name.find('@'); at != std::string::npos)
        name.resize(at);  // a modifier such as @euro
    std::string codeset;
    if (const auto dot = name.find('.'); dot != std::string::npos) {
        codeset = name.substr(dot + 1);
        name.resize(dot);
    }
    if (!codeset.empty() && codeset != "utf-8" && codeset != "utf8") {
        const std::string c = canonicalCharset(codeset == "eucjp"   ? "euc-jp"
                                               : codeset == "euckr" ? "euc-kr"
                                               : codeset == "euccn" ? "gb2312"
                                                                    : codeset);
        return c == "us-ascii" || c == "ansi_x3.4-1968" || c == "windows-1252" ||
                       c == "iso-8859-1" || c == "iso-8859-15"
                   ? std::string()
                   : c;
    }
    for (const LanguageCharset& l : kLanguages) {
        if (name == l.language ||
            (name.starts_with(l.language) && name.size() > l.language.size() &&
             name[l.language.size()] == '_' && l.language.find('_') == std::string_view::npos)) {
            return std::string(l.charset);
        }
    }
    return {};
}

std::string processLocale() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        if (const char* value = std::getenv(variable); value && *value)
            return value;
    }
    return {};
}

}  // namespace tolvane::mime
