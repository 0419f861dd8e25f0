#pragma once

// Read access to one entity's header list by name, honouring MS-OXCMAIL's "first instance
// wins" (GMime's message getters return the last instance instead).

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/Charset.h"

namespace tolvane::mime {

class HeaderView {
  public:
    // Raw 8-bit text decodes by `undeclared`, which must outlive the view.
    HeaderView(GMimeObject* object, const UndeclaredCharsets& undeclared);
    // A message: GMime files its Content-* headers under the top-level part, so those are
    // looked up there when the message's own list lacks them.
    HeaderView(GMimeMessage* message, const UndeclaredCharsets& undeclared);
    // The same with the two lists given: a message's own (`fields`) and its MIME part's
    // (`contentFields`, left out when it is `fields` itself).
    HeaderView(GMimeObject* fields, GMimeObject* contentFields,
               const UndeclaredCharsets& undeclared);

    // Raw (still folded, undecoded) value of the first / last instance.
    std::optional<std::string> firstRaw(std::string_view name) const;
    std::optional<std::string> lastRaw(std::string_view name) const;
    std::vector<std::string> allRaw(std::string_view name) const;
    // First instance, unfolded and decoded to UTF-8.
    std::optional<std::string> text(std::string_view name) const;
    const UndeclaredCharsets& undeclared() const { return *undeclared_; }

  private:
    // Names and raw values as GMime holds them; valid while the parsed message lives.
    struct Entry {
        std::string_view name;
        const char* raw;
    };
    static void snapshot(GMimeObject* object, std::vector<Entry>& into);
    std::optional<std::string> find(const std::vector<Entry>& list, std::string_view name,
                                    bool last) const;

    std::vector<Entry> own_;
    std::vector<Entry> part_;
    const UndeclaredCharsets* undeclared_;
};

}  // namespace tolvane::mime
