#include "mime/ConversationIndex.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <memory>

namespace tolvane::mime {

namespace {

using Digest = std::array<std::uint8_t, 32>;

Digest sha256(std::string_view prefix, std::string_view text) {
    // One per thread, reset for each use: a message takes a few.
    thread_local const std::unique_ptr<GChecksum, void (*)(GChecksum*)> checksum(
        g_checksum_new(G_CHECKSUM_SHA256), g_checksum_free);
    GChecksum* c = checksum.get();
    g_checksum_reset(c);
    g_checksum_update(c, reinterpret_cast<const guchar*>(prefix.data()),
                      static_cast<gssize>(prefix.size()));
    g_checksum_update(c, reinterpret_cast<const guchar*>(text.data()),
                      static_cast<gssize>(text.size()));
    Digest digest{};
    gsize length = digest.size();
    g_checksum_get_digest(c, digest.data(), &length);
    return digest;
}

// Reserved 0x01, five bytes of a FILETIME's high part, a GUID. The time is no real one: the
// thread's start is not known to its replies. Its first byte is 0x01, as for any time from
// 1829 to 2057, so readers that show it show a date of this era.
void appendHeader(mapi::Bytes& out, std::string_view root) {
    const Digest d = sha256("thread:", root);
    out.push_back(0x01);
    out.push_back(0x01);
    out.insert(out.end(), d.begin(), d.begin() + 4);
    out.insert(out.end(), d.begin() + 4, d.begin() + 20);
}

// DC 0 and a 31-bit time difference, four random bits and a zero sequence count, all from
// the level's id.
void appendChild(mapi::Bytes& out, std::string_view id) {
    const Digest d = sha256("reply:", id);
    out.push_back(d[0] & 0x7F);
    out.insert(out.end(), d.begin() + 1, d.begin() + 4);
    out.push_back(static_cast<std::uint8_t>(d[4] & 0xF0));
}

std::string_view trimmed(std::string_view s) {
    const std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

}  // namespace

std::vector<std::string> messageIds(std::string_view raw) {
    std::vector<std::string> ids;
    for (std::size_t at = raw.find('<'); at != std::string_view::npos; at = raw.find('<', at)) {
        const std::size_t end = raw.find('>', at + 1);
        if (end == std::string_view::npos)
            break;
        const std::string_view id = trimmed(raw.substr(at + 1, end - at - 1));
        if (!id.empty() && id.find_first_of(" \t\r\n<") == std::string_view::npos)
            ids.emplace_back(id);
        at = end + 1;
    }
    if (!ids.empty())
        return ids;
    for (std::size_t i = 0; i < raw.size();) {
        const std::size_t b = raw.find_first_not_of(" \t\r\n,", i);
        if (b == std::string_view::npos)
            break;
        const std::size_t e = std::min(raw.find_first_of(" \t\r\n,", b), raw.size());
        const std::string_view token = raw.substr(b, e - b);
        if (token.find('@') != std::string_view::npos &&
            token.find_first_of("<>()\"") == token.npos)
            ids.emplace_back(token);
        i = e;
    }
    return ids;
}

mapi::Bytes conversationIndex(const ThreadIds& ids) {
    // The levels above the message: References as written, then In-Reply-To when References
    // lost the parent; each id once.
    std::vector<std::string> chain;
    for (const std::string& id : ids.references) {
        if (std::find(chain.begin(), chain.end(), id) == chain.end())
            chain.push_back(id);
    }
    if (ids.inReplyTo && std::find(chain.begin(), chain.end(), *ids.inReplyTo) == chain.end())
        chain.push_back(*ids.inReplyTo);
    const std::string own = ids.messageId ? *ids.messageId : "no id:" + ids.withoutId;
    std::erase(chain, own);  // a message is not its own ancestor

    mapi::Bytes out;
    out.reserve(22 + 5 * chain.size());
    if (chain.empty()) {
        appendHeader(out, own);
        return out;
    }
    appendHeader(out, chain.front());
    for (std::size_t k = 1; k < chain.size(); ++k)
        appendChild(out, chain[k]);
    appendChild(out, own);
    return out;
}

}  // namespace tolvane::mime
