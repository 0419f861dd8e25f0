#pragma once

// Items as an archive's reader hands them out, made from the .meta line Zimbra writes.

#include <string>

#include "source/Item.h"
#include "source/Meta.h"

namespace tolvane::mailbox::test {

struct MetaLine {
    int id = 300;
    int type = 5;  // message
    int folderId = 2;
    std::string path = "/Inbox/";
    int unread = 0;
    std::uint32_t flags = 0;
    std::string flagString;
    std::string tagNames;
    std::int64_t date = 1700000000;
    std::int64_t changeDate = 1700003600;
    std::string metadata = "d1:vi10ee";
};

inline std::string jsonOf(const MetaLine& m) {
    return R"({"id":)" + std::to_string(m.id) + R"(,"type":)" + std::to_string(m.type) +
           R"(,"folder_id":)" + std::to_string(m.folderId) + R"(,"index_id":0,"date":)" +
           std::to_string(m.date) + R"(,"size":100,"unread":)" + std::to_string(m.unread) +
           R"(,"flags":)" + std::to_string(m.flags) + R"(,"subject":"s","name":"",)" +
           R"("metadata":")" + m.metadata + R"(","change_date":)" + std::to_string(m.changeDate) +
           R"(,"FlagStr":")" + m.flagString + R"(","Path":")" + m.path + R"(","TagNames":")" +
           m.tagNames + R"(","Ver":10})";
}

inline source::Item itemOf(const MetaLine& m, std::string entry = "Inbox/0000000300-s.eml") {
    source::Item item;
    item.meta = source::parseMeta(jsonOf(m));
    item.kind = item.meta->kind();
    item.source = "export.tgz";
    item.entry = std::move(entry);
    return item;
}

}  // namespace tolvane::mailbox::test
