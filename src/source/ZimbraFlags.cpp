#include "source/ZimbraFlags.h"

#include <array>
#include <utility>

namespace tolvane::source {

namespace {

constexpr std::array<std::pair<ZimbraFlag, char>, 27> kLetters{{
    {ZimbraFlag::FromMe, 's'},          {ZimbraFlag::Attached, 'a'},
    {ZimbraFlag::Replied, 'r'},         {ZimbraFlag::Forwarded, 'w'},
    {ZimbraFlag::Flagged, 'f'},         {ZimbraFlag::Draft, 'd'},
    {ZimbraFlag::Deleted, 'x'},         {ZimbraFlag::Notified, 'n'},
    {ZimbraFlag::Unread, 'u'},          {ZimbraFlag::HighPriority, '!'},
    {ZimbraFlag::LowPriority, '?'},     {ZimbraFlag::Versioned, '/'},
    {ZimbraFlag::Popped, 'p'},          {ZimbraFlag::Note, 't'},
    {ZimbraFlag::Priority, '+'},        {ZimbraFlag::Post, '^'},
    {ZimbraFlag::Muted, '('},           {ZimbraFlag::Subscribed, '*'},
    {ZimbraFlag::ExcludeFreeBusy, 'b'}, {ZimbraFlag::Checked, '#'},
    {ZimbraFlag::NoInherit, 'i'},       {ZimbraFlag::Invite, 'v'},
    {ZimbraFlag::SyncFolder, 'y'},      {ZimbraFlag::Sync, '~'},
    {ZimbraFlag::NoInferiors, 'o'},     {ZimbraFlag::Archived, '@'},
    {ZimbraFlag::Global, 'g'},
}};

}  // namespace

std::optional<ZimbraFlag> flagOfLetter(char letter) {
    for (const auto& [flag, l] : kLetters) {
        if (l == letter)
            return flag;
    }
    return std::nullopt;
}

std::optional<char> letterOfFlag(ZimbraFlag flag) {
    for (const auto& [f, letter] : kLetters) {
        if (f == flag)
            return letter;
    }
    return std::nullopt;
}

std::uint32_t flagsOfLetters(std::string_view flagString) {
    std::uint32_t bits = 0;
    for (const char c : flagString) {
        if (const auto flag = flagOfLetter(c))
            bits |= static_cast<std::uint32_t>(*flag);
    }
    return bits;
}

}  // namespace tolvane::source
