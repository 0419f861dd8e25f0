#include "contact/VCardFields.h"

#include <array>

#include "contact/Text.h"

namespace tolvane::contact {
namespace {

// Properties that carry no data of the person: the card's own bookkeeping, and Apple's
// country-format hint for an address.
bool bookkeeping(std::string_view name) {
    static constexpr std::array<std::string_view, 7> names = {
        "PRODID", "REV", "UID", "X-ABUID", "X-ABADR", "SORT-STRING", "X-ABSHOWAS"};
    for (auto n : names) {
        if (name == n) {
            return true;
        }
    }
    return false;
}

// Instant-messaging properties of the common clients, with the scheme Zimbra's web client
// stores in front of the id.
std::string imScheme(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> schemes = {{
        {"X-AIM", "aim"},
        {"X-ICQ", "icq"},
        {"X-JABBER", "xmpp"},
        {"X-MSN", "msn"},
        {"X-YAHOO", "yahoo"},
        {"X-SKYPE", "skype"},
        {"X-SKYPE-USERNAME", "skype"},
        {"X-GOOGLE-TALK", "gtalk"},
        {"X-GADUGADU", "gadugadu"},
    }};
    for (const auto& [n, s] : schemes) {
        if (name == n) {
            return std::string(s);
        }
    }
    return {};
}

class CardReader {
  public:
    explicit CardReader(const VCard& card) : card_(card) {}

    ContactRecord run() {
        for (const VCardProperty& p : card_.properties) {
            read(p);
        }
        return std::move(r_);
    }

  private:
    void read(const VCardProperty& p) {
        const std::string& n = p.name;
        const std::string text = unescapeText(p.value);
        if (n.empty() || n == "AGENT") {
            keep(p);
        } else if (bookkeeping(n)) {
        } else if (n == "FN") {
            r_.add("fullName", text);
        } else if (n == "N") {
            structured(p.value,
                       {"lastName", "firstName", "middleName", "namePrefix", "nameSuffix"});
        } else if (n == "NICKNAME") {
            r_.add("nickname", text);
        } else if (n == "PHOTO" || n == "LOGO") {
            photo(p);
        } else if (n == "BDAY") {
            r_.add("birthday", text);
        } else if (n == "ANNIVERSARY" || n == "X-ANNIVERSARY" || n == "X-ZIMBRA-ANNIVERSARY" ||
                   n == "X-MS-ANNIVERSARY" || n == "X-EVOLUTION-ANNIVERSARY") {
            r_.add("anniversary", text);
        } else if (n == "ADR") {
            const std::string kind = p.hasType("home")   ? "home"
                                     : p.hasType("work") ? "work"
                                                         : "other";
            address(p.value, kind);
        } else if (n == "TEL") {
            telephone(p, text);
        } else if (n == "EMAIL") {
            r_.add("email", text);
        } else if (n == "URL") {
            r_.add(p.hasType("home")   ? "homeURL"
                   : p.hasType("work") ? "workURL"
                                       : "otherURL",
                   text);
        } else if (n == "ORG") {
            organisation(p.value);
        } else if (n == "TITLE") {
            r_.add("jobTitle", text);
        } else if (n == "NOTE") {
            r_.add("notes", text);
        } else if (n == "CATEGORIES") {
            for (auto& c : splitValue(p.value, ',')) {
                if (!trim(c).empty()) {
                    r_.categories.emplace_back(trim(c));
                }
            }
        } else if (n == "IMPP" || n.starts_with("X-ZIMBRA-IMADDRESS")) {
            r_.add("imAddress", text, 1, true);
        } else if (!imScheme(n).empty()) {
            r_.add("imAddress", imScheme(n) + "://" + text, 1, true);
        } else if (n == "X-ZIMBRA-MAIDENNAME") {
            r_.set("maidenName", text);
        } else if (n == "X-EVOLUTION-FILE-AS" || n == "X-FILE-AS") {
            r_.set("fileAs", "8:" + text);
        } else if (n == "X-EVOLUTION-SPOUSE" || n == "X-SPOUSE") {
            r_.add("spouse", text);
        } else if (n == "X-ASSISTANT" || n == "X-EVOLUTION-ASSISTANT") {
            r_.set("otherAsstName", text);
        } else if (n == "X-MANAGER" || n == "X-EVOLUTION-MANAGER") {
            r_.set("otherMgrName", text);
        } else if ((n == "KIND" || n == "X-ADDRESSBOOKSERVER-KIND") && lower(text) == "group") {
            r_.set("type", "group");
        } else if (n == "MEMBER" || n == "X-ADDRESSBOOKSERVER-MEMBER") {
            member(text);
        } else {
            keep(p);
        }
    }

    // Zimbra fills a repeated structured property into the next free numbered set.
    void structured(std::string_view value, const std::vector<std::string>& names) {
        const auto parts = splitValue(value, ';');
        std::string suffix;
        for (int n = 2; n < 1000; ++n) {
            bool free = true;
            for (const auto& name : names) {
                free = free && !name.empty() && !r_.get(name + suffix);
            }
            if (free) {
                break;
            }
            suffix = std::to_string(n);
        }
        for (std::size_t i = 0; i < names.size() && i < parts.size(); ++i) {
            if (!names[i].empty() && !parts[i].empty()) {
                r_.set(names[i] + suffix, parts[i]);
            }
        }
    }

    // ADR: post office box; extended address; street; locality; region; code; country. The
    // first three become one street, a line each, as Zimbra keeps them.
    void address(std::string_view value, const std::string& kind) {
        auto parts = splitValue(value, ';');
        parts.resize(std::max<std::size_t>(parts.size(), 7));
        std::string street;
        for (int i = 0; i < 3; ++i) {
            if (!trim(parts[i]).empty()) {
                street += (street.empty() ? "" : "\n") + parts[i];
            }
        }
        const std::vector<std::string> names = {kind + "Street", kind + "City", kind + "State",
                                                kind + "PostalCode", kind + "Country"};
        std::string suffix;
        for (int n = 2; n < 1000; ++n) {
            bool free = true;
            for (const auto& name : names) {
                free = free && !r_.get(name + suffix);
            }
            if (free) {
                break;
            }
            suffix = std::to_string(n);
        }
        const std::array<std::string, 5> values = {street, parts[3], parts[4], parts[5], parts[6]};
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!trim(values[i]).empty()) {
                r_.set(names[i] + suffix, values[i]);
            }
        }
    }

    // TEL as Zimbra's import sorts it, with the types later vCards added.
    void telephone(const VCardProperty& p, const std::string& text) {
        if (p.hasType("car")) {
            r_.add("carPhone", text);
            return;
        }
        if (p.hasType("cell") || p.hasType("iphone") || p.hasType("mobile")) {
            r_.add(p.hasType("work") ? "workMobile" : "mobilePhone", text);
            return;
        }
        if (p.hasType("pager")) {
            r_.add("pager", text);
            return;
        }
        if (p.hasType("main") || p.hasType("x-evolution-company")) {
            r_.add("companyPhone", text);
            return;
        }
        if (p.hasType("x-evolution-callback")) {
            r_.add("callbackPhone", text);
            return;
        }
        if (p.hasType("x-evolution-assistant")) {
            r_.add("assistantPhone", text);
            return;
        }
        const bool home = p.hasType("home"), work = p.hasType("work");
        const bool fax = p.hasType("fax"), voice = p.hasType("voice");
        const std::string where = home ? "home" : work ? "work" : "other";
        if (fax) {
            r_.add(where + "Fax", text);
        }
        if (voice || !fax) {
            r_.add(where + "Phone", text);
        }
    }

    void organisation(std::string_view value) {
        const auto parts = splitValue(value, ';');
        if (!parts.empty() && !parts[0].empty()) {
            r_.add("company", parts[0]);
        }
        std::string units;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            if (!trim(parts[i]).empty()) {
                units += (units.empty() ? "" : ", ") + parts[i];
            }
        }
        if (!units.empty()) {
            r_.add("department", units);
        }
    }

    void photo(const VCardProperty& p) {
        if (!p.data) {
            r_.add(p.name == "PHOTO" ? "image" : "logo", unescapeText(p.value));
            return;
        }
        std::string type = p.dataType;
        if (type.empty()) {
            if (const auto t = p.param("TYPE")) {
                type = lower(*t).find('/') == std::string::npos ? "image/" + lower(*t) : lower(*t);
            }
        }
        r_.files.push_back({p.name == "PHOTO" ? "image" : "logo", "", type, *p.data});
    }

    void member(const std::string& text) {
        std::string v = text;
        if (lower(v.substr(0, 7)) == "mailto:") {
            v = v.substr(7);
        }
        const std::string* list = r_.get("dlist");
        r_.set("dlist", list ? *list + ", " + v : v);
    }

    // What has no field goes to the notes as it was written.
    void keep(const VCardProperty& p) {
        if (p.name.empty()) {
            r_.extras.push_back(p.value);
            return;
        }
        std::string label = p.group.empty() ? p.name : p.group + "." + p.name;
        if (p.data) {  // a key or other binary value: kept as a file of the contact
            r_.files.push_back(
                {label, lower(label) + (p.name == "KEY" ? ".cer" : ".bin"), p.dataType, *p.data});
            return;
        }
        r_.extras.push_back(label + ": " + unescapeText(p.value));
    }

    const VCard& card_;
    ContactRecord r_;
};

}  // namespace

ContactRecord fieldsOfVCard(const VCard& card) {
    return CardReader(card).run();
}

}  // namespace tolvane::contact
