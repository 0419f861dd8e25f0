#include "mime/FileNames.h"

#include <cstdio>

namespace tolvane::mime {

std::string sanitiseFileName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        const bool bad = u < 0x20 || c == '"' || c == '/' || c == ':' || c == '<' || c == '>' ||
                         c == '|' || c == '\\';
        out += bad ? '_' : c;
    }
    const std::size_t b = out.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    const std::size_t e = out.find_last_not_of(' ');
    return out.substr(b, e - b + 1);
}

std::string extensionOf(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == fileName.size())
        return {};
    return std::string(fileName.substr(dot));
}

std::string extensionForType(std::string_view mimeType) {
    static const struct {
        std::string_view type, ext;
    } kTypes[] = {{"text/plain", ".txt"},
                  {"text/html", ".htm"},
                  {"text/enriched", ".txt"},
                  {"text/calendar", ".ics"},
                  {"text/x-vcard", ".vcf"},
                  {"text/vcard", ".vcf"},
                  {"text/csv", ".csv"},
                  {"message/rfc822", ".eml"},
                  {"message/global", ".eml"},
                  {"image/jpeg", ".jpg"},
                  {"image/png", ".png"},
                  {"image/gif", ".gif"},
                  {"image/bmp", ".bmp"},
                  {"image/tiff", ".tif"},
                  {"application/pdf", ".pdf"},
                  {"application/zip", ".zip"},
                  {"application/msword", ".doc"},
                  {"application/ms-tnef", ".dat"},
                  {"application/pkcs7-mime", ".p7m"},
                  {"application/pkcs7-signature", ".p7s"},
                  {"application/x-pkcs7-signature", ".p7s"},
                  {"message/delivery-status", ".txt"},
                  {"message/disposition-notification", ".txt"}};
    for (const auto& t : kTypes) {
        if (mimeType == t.type)
            return std::string(t.ext);
    }
    return ".dat";
}

std::string defaultFileName(int n, std::string_view mimeType) {
    char base[16];
    std::snprintf(base, sizeof base, "ATT%05d", n);
    return base + extensionForType(mimeType);
}

std::string shortFileName(std::string_view longName) {
    const std::string ext = extensionOf(longName);
    const std::string_view stem = longName.substr(0, longName.size() - ext.size());
    const auto keep = [](char c, std::string& out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
                        c == '~' || c == '!' || c == '#' || c == '$' || c == '%' || c == '&';
        if (ok)
            out += c;
        return ok;
    };
    std::string base;
    bool lossy = false;
    for (char c : stem)
        lossy |= !keep(c, base);
    std::string shortExt;
    for (std::size_t i = 1; i < ext.size() && shortExt.size() < 3; ++i)
        keep(ext[i], shortExt);
    if (base.empty())
        base = "ATT";
    if (lossy || base.size() > 8)
        base = base.substr(0, 6) + "~1";
    return shortExt.empty() ? base : base + "." + shortExt;
}

}  // namespace tolvane::mime
