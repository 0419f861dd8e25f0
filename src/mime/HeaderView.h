#pragma once

// Read access to one entity's header list by name, honouring MS-OXCMAIL's "first instance
// wins" (GMime's message getters return the last instance instead).

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::mime {

class HeaderView {
  public:
    explicit HeaderView(GMimeObject* object)
        : list_(object ? g_mime_object_get_header_list(object) : nullptr) {}
    // A message: GMime files its Content-* headers under the top-level part, so those are
    // looked up there when the message's own list lacks them.
    explicit HeaderView(GMimeMessage* message);

    // Raw (still folded, undecoded) value of the first / last instance.
    std::optional<std::string> firstRaw(std::string_view name) const;
    std::optional<std::string> lastRaw(std::string_view name) const;
    std::vector<std::string> allRaw(std::string_view name) const;
    // First instance, unfolded and decoded to UTF-8.
    std::optional<std::string> text(std::string_view name) const;

  private:
    std::optional<std::string> find(GMimeHeaderList* list, std::string_view name, bool last) const;

    GMimeHeaderList* list_;
    GMimeHeaderList* partList_ = nullptr;
};

}  // namespace tolvane::mime
