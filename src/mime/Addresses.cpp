#include "mime/Addresses.h"

#include "mime/Charset.h"
#include "mime/GObjectPtr.h"
#include "mime/HeaderText.h"

namespace tolvane::mime {

namespace {

std::string trimmed(const char* s) {
    std::string_view v = s ? s : "";
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    // GMime builds names from our UTF-8 input; still, never pass on bytes that are not text.
    return replaceNul(decode8bit(v).utf8);
}

void collect(InternetAddressList* list, std::vector<Mailbox>& out, int depth) {
    if (!list || depth > 8)
        return;
    const int n = internet_address_list_length(list);
    for (int i = 0; i < n; ++i) {
        InternetAddress* a = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_GROUP(a)) {
            collect(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a)), out, depth + 1);
        } else if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
            Mailbox m;
            m.name = trimmed(internet_address_get_name(a));
            m.address = trimmed(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
            if (!m.address.empty() || !m.name.empty())
                out.push_back(std::move(m));
        }
    }
}

}  // namespace

std::vector<Mailbox> parseAddressList(std::string_view raw, GMimeParserOptions* options,
                                      const UndeclaredCharsets& undeclared) {
    std::vector<Mailbox> out;
    const std::string text = normaliseStructured(raw, undeclared);
    if (text.empty())
        return out;
    GObjectPtr<InternetAddressList> list(internet_address_list_parse(options, text.c_str()));
    collect(list.get(), out, 0);
    return out;
}

}  // namespace tolvane::mime
