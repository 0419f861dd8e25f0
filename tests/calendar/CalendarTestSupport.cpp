#include "CalendarTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "pst/PstWriter.h"

namespace tolvane::calendar::test {

TempPst::TempPst() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tolvane-cal-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = tmpl;
    path_ = dir_ / "calendar.pst";
}

TempPst::~TempPst() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void TempPst::write(const std::vector<CalendarItem>& items) {
    auto pst = pst::PstWriter::create(path_, "Calendar test");
    const pst::FolderId calendar = pst->addFolder(pst->ipmSubtree(), "Calendar");
    const pst::FolderId tasks = pst->addFolder(pst->ipmSubtree(), "Tasks");
    for (const CalendarItem& item : items) {
        pst->addMessage(item.kind == ItemKind::Task ? tasks : calendar, item.message);
    }
    pst->close();
}

std::string TempPst::strictCheck() const {
    const std::string cmd =
        std::string(TOLVANE_PSTCHECK) + " --strict '" + path_.string() + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    while (p && std::fgets(buf, sizeof buf, p)) {
        out += buf;
    }
    const int status = p ? pclose(p) : -1;
    return status == 0 ? std::string() : (out.empty() ? "tolvane-pstcheck failed" : out);
}

StoredItem::StoredItem(pstcheck::PstReader& reader, const pstcheck::PropertyContext& pc)
    : pc_(pc), names_(reader.namedProperties()) {}

std::optional<std::vector<std::uint8_t>> StoredItem::named(const mapi::NamedTag& tag) const {
    const auto guid = tag.propertySet.bytes;
    for (const auto& n : names_) {
        if (n.guid == guid && !n.name && tag.lid && n.number == *tag.lid) {
            const auto e = pc_.entries().find(n.id);
            if (e == pc_.entries().end()) {
                return std::nullopt;
            }
            if (tag.type == mapi::PropType::Binary) {
                return pc_.bytes((std::uint32_t{n.id} << 16) | 0x0102);
            }
            return pc_.value(n.id);
        }
    }
    return std::nullopt;
}

std::optional<std::string> StoredItem::string(mapi::PropTag tag) const {
    return pc_.string(tag.value());
}

std::optional<std::int64_t> StoredItem::timeMinutes(const mapi::NamedTag& tag) const {
    const auto b = named(tag);
    if (!b || b->size() != 8) {
        return std::nullopt;
    }
    std::uint64_t ticks = 0;
    for (int i = 7; i >= 0; --i) {
        ticks = (ticks << 8) | (*b)[static_cast<std::size_t>(i)];
    }
    return static_cast<std::int64_t>(ticks / 600000000ull);
}

std::vector<std::uint8_t> unhex(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::vector<std::uint32_t> messageNodes(pstcheck::PstReader& reader) {
    std::vector<std::uint32_t> out;
    for (const auto& [nid, entry] : reader.nodes()) {
        if ((nid & 0x1F) == 0x04) {
            out.push_back(nid);
        }
    }
    return out;
}

}  // namespace tolvane::calendar::test
