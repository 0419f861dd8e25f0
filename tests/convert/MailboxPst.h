#pragma once

// A converted mailbox read back through the checker's reader, which shares no code with the
// writer: each folder by its path below the top of the tree, each message's properties, and
// the pointers Outlook finds its special folders by.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pstcheck/PstReader.h"
#include "pstcheck/messaging/Ids.h"

namespace tolvane::convert::testing {

struct ReadMessage {
    std::string folder;  // "Inbox/Projects"
    std::uint32_t nid = 0;
    pstcheck::PropertyContext props;
};

class MailboxPst {
  public:
    explicit MailboxPst(const std::filesystem::path& path) : reader_(path) {
        folders_ = reader_.folders();
        for (const auto& name : reader_.namedProperties()) {
            if (name.name)
                byName_[*name.name] = name.id;
            else
                byNumber_[name.number] = name.id;
        }
        for (const auto& [nid, folder] : folders_) {
            const std::string path = pathOf(nid);
            if (!path.empty() || nid == kIpmSubtree)
                paths_[path] = nid;
            for (const std::uint32_t message : folder.messages)
                messages_.push_back({path, message, reader_.properties(message)});
        }
    }

    pstcheck::PstReader& reader() { return reader_; }
    const std::map<std::string, std::uint32_t>& folderPaths() const { return paths_; }
    const pstcheck::Folder& folder(const std::string& path) const {
        return folders_.at(paths_.at(path));
    }
    const std::vector<ReadMessage>& messages() const { return messages_; }

    // The one message of that subject; fails the test when there is not exactly one.
    const ReadMessage* bySubject(const std::string& subject) const {
        const ReadMessage* found = nullptr;
        for (const auto& m : messages_) {
            if (subjectOf(m) == subject) {
                if (found)
                    return nullptr;
                found = &m;
            }
        }
        return found;
    }

    // PidTagSubject without the marker a PST puts before it (0x01 and the prefix's length).
    static std::string subjectOf(const ReadMessage& m) {
        std::string subject = m.props.string(pstcheck::tag::kSubject).value_or("");
        if (subject.size() >= 2 && subject[0] == '\x01')
            subject.erase(0, 2);
        return subject;
    }

    // The tag id a named property got in this file: LID or string name.
    std::optional<std::uint16_t> namedId(std::uint32_t lid) const {
        const auto it = byNumber_.find(lid);
        return it == byNumber_.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::uint16_t> namedId(const std::string& name) const {
        const auto it = byName_.find(name);
        return it == byName_.end() ? std::nullopt : std::optional(it->second);
    }

    // The NID an entry id names (its last four bytes).
    static std::optional<std::uint32_t> nidOf(const std::vector<std::uint8_t>& entryId) {
        if (entryId.size() != 24)
            return std::nullopt;
        return std::uint32_t(entryId[20]) | std::uint32_t(entryId[21]) << 8 |
               std::uint32_t(entryId[22]) << 16 | std::uint32_t(entryId[23]) << 24;
    }

    // Entry `index` of a PtypMultipleBinary value as a PC holds it: a count, the offsets, then
    // the values back to back.
    static std::vector<std::uint8_t> multiBinaryEntry(const std::vector<std::uint8_t>& value,
                                                      std::size_t index) {
        const auto u32 = [&](std::size_t at) {
            return std::uint32_t(value.at(at)) | std::uint32_t(value.at(at + 1)) << 8 |
                   std::uint32_t(value.at(at + 2)) << 16 | std::uint32_t(value.at(at + 3)) << 24;
        };
        const std::uint32_t count = u32(0);
        if (index >= count)
            return {};
        const std::size_t begin = u32(4 + 4 * index);
        const std::size_t end = index + 1 < count ? u32(4 + 4 * (index + 1)) : value.size();
        return {value.begin() + static_cast<std::ptrdiff_t>(begin),
                value.begin() + static_cast<std::ptrdiff_t>(end)};
    }

    static constexpr std::uint32_t kIpmSubtree = 0x8022;

  private:
    // "" for the top of the tree, "A/B" below it; "" for folders outside it too.
    std::string pathOf(std::uint32_t nid) const {
        std::vector<std::string> names;
        for (std::uint32_t at = nid; at != kIpmSubtree;) {
            const auto it = folders_.find(at);
            if (it == folders_.end() || at == pstcheck::nid::kRootFolder)
                return "";
            names.push_back(it->second.name.value_or("?"));
            at = it->second.parent;
        }
        std::string path;
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            path += (path.empty() ? "" : "/") + *it;
        return path;
    }

    pstcheck::PstReader reader_;
    std::map<std::uint32_t, pstcheck::Folder> folders_;
    std::map<std::string, std::uint32_t> paths_;
    std::vector<ReadMessage> messages_;
    std::map<std::string, std::uint16_t> byName_;
    std::map<std::uint32_t, std::uint16_t> byNumber_;
};

}  // namespace tolvane::convert::testing
