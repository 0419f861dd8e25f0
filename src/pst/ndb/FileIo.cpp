#include "pst/ndb/FileIo.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <string_view>
#include <system_error>

#include "pst/Hex.h"

namespace tolvane::pst::ndb {

namespace {
std::atomic<SyncWaitListener> syncWaitListener{nullptr};
}  // namespace

void setSyncWaitListener(SyncWaitListener listener) {
    syncWaitListener.store(listener);
}

// The listener that heard the start hears the end, even if another was set meanwhile.
SyncWait::SyncWait() : listener_(syncWaitListener.load()) {
    if (listener_) {
        listener_(true);
    }
}

SyncWait::~SyncWait() {
    if (listener_) {
        listener_(false);
    }
}

std::filesystem::path creationPathFor(const std::filesystem::path& path) {
    std::random_device random;
    const std::string digits = hex(random() & 0xFFFFFFFFu, 8).substr(2);
    std::filesystem::path creating = path;
    creating += ".creating-" + digits + ".tmp";
    return creating;
}

namespace {

// NAME.pst.creating-XXXXXXXX.tmp, in the system's own characters.
template <typename Char>
bool isCreationName(std::basic_string_view<Char> name) {
    constexpr std::string_view kPst = ".pst.creating-";
    constexpr std::string_view kTmp = ".tmp";
    constexpr std::size_t kDigits = 8;
    const std::size_t tail = kPst.size() + kDigits + kTmp.size();
    if (name.size() <= tail) {
        return false;
    }
    const auto ascii = [](std::basic_string_view<Char> part, std::string_view expected) {
        return std::equal(part.begin(), part.end(), expected.begin(), expected.end(),
                          [](Char c, char e) { return c == static_cast<Char>(e); });
    };
    const auto rest = name.substr(name.size() - tail);
    const auto digits = rest.substr(kPst.size(), kDigits);
    return ascii(rest.substr(0, kPst.size()), kPst) &&
           ascii(rest.substr(kPst.size() + kDigits), kTmp) &&
           std::all_of(digits.begin(), digits.end(), [](Char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
           });
}

}  // namespace

std::vector<std::filesystem::path> creationFilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path::string_type name = entry->path().filename().native();
        if (isCreationName<std::filesystem::path::value_type>(name)) {
            found.push_back(entry->path());
        }
    }
    return found;
}

}  // namespace tolvane::pst::ndb
