#include "ContactHelpers.h"

#include <chrono>
#include <cstdio>

namespace tolvane::contact::test {

std::string dateOf(const mapi::Message& m, mapi::PropTag t) {
    const mapi::PropValue* v = m.props.get(t);
    if (!v) {
        return {};
    }
    const std::chrono::sys_days day = std::chrono::floor<std::chrono::days>(
        std::chrono::sys_seconds(std::chrono::seconds(v->asTime().toUnixSeconds())));
    const std::chrono::year_month_day ymd(day);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buf;
}

ImportedContact oneCard(std::string_view vcf) {
    auto bytes = bytesOf(vcf);
    VCardImport file = importVCards(bytes, "test.vcf");
    EXPECT_EQ(file.contacts.size(), 1u);
    EXPECT_TRUE(file.problems.empty()) << file.problems.front();
    return file.contacts.empty() ? ImportedContact{} : std::move(file.contacts.front());
}

}  // namespace tolvane::contact::test
