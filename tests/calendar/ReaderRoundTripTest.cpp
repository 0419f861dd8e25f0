// Appointments and tasks written by the PST writer and read back by readpst (its iCalendar
// output) and pst-extractor (its appointment and task objects): what each shows must be what
// the import put in.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "CalendarTestSupport.h"

namespace tolvane::calendar::test {
namespace {

namespace tag = mapi::tag;
namespace named = mapi::named;

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

std::string isoOf(mapi::FileTime t) {
    const std::int64_t s = t.toUnixSeconds();
    const std::time_t tt = static_cast<std::time_t>(s);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

// What the readers must show of an item, from the model the import made.
std::string expectedOf(const CalendarItem& item, const std::map<std::string, std::string>& rrules) {
    const mapi::PropertyList& p = item.message.props;
    const std::string subject = p.get(tag::kSubject)->asString();
    std::string j = "{\"subject\": " + quoted(subject);
    const auto text = [&](const char* key, const mapi::PropValue* v) {
        j += std::string(", \"") + key + "\": " + quoted(v ? v->asString() : "");
    };
    text("body", p.get(tag::kBody));
    if (item.kind == ItemKind::Appointment) {
        j += ", \"kind\": \"appointment\"";
        j += ", \"start\": " + quoted(isoOf(p.getNamed(named::kAppointmentStartWhole)->asTime()));
        j += ", \"end\": " + quoted(isoOf(p.getNamed(named::kAppointmentEndWhole)->asTime()));
        text("location", p.getNamed(named::kLocation));
        j += ", \"busy_status\": " + std::to_string(p.getNamed(named::kBusyStatus)->asInt32());
        j += std::string(", \"all_day\": ") +
             (p.getNamed(named::kAppointmentSubType)->asBool() ? "true" : "false");
        j += std::string(", \"recurring\": ") +
             (p.getNamed(named::kRecurring)->asBool() ? "true" : "false");
        j += ", \"attachments\": " + std::to_string(item.message.attachments.size());
        if (const mapi::PropValue* delta = p.getNamed(named::kReminderDelta)) {
            j += ", \"alarm_minutes\": " + std::to_string(delta->asInt32());
        }
        if (const auto it = rrules.find(subject); it != rrules.end()) {
            j += ", \"rrule\": " + quoted(it->second);
        }
    } else {
        j += ", \"kind\": \"task\"";
        j += ", \"status\": " + std::to_string(p.getNamed(named::kTaskStatus)->asInt32());
        j += ", \"percent\": " + std::to_string(p.getNamed(named::kPercentComplete)->asDouble());
        j += std::string(", \"complete\": ") +
             (p.getNamed(named::kTaskComplete)->asBool() ? "true" : "false");
    }
    return j + "}";
}

void expectReadersShow(const std::vector<CalendarItem>& items,
                       const std::map<std::string, std::string>& rrules) {
    TempPst pst;
    pst.write(items);
    EXPECT_EQ(pst.strictCheck(), "");
    std::string json = "[";
    for (const CalendarItem& item : items) {
        json += (json.size() > 1 ? ",\n" : "") + expectedOf(item, rrules);
    }
    const std::filesystem::path expected = pst.path().parent_path() / "expected.json";
    std::ofstream(expected) << json << "]";
    const std::string cmd = std::string(TOLVANE_READERS_PYTHON) +
                            " " TOLVANE_TEST_ROOT "/support/calendar_readers.py compare '" +
                            pst.path().string() + "' '" + expected.string() + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    while (p && std::fgets(buf, sizeof buf, p)) {
        out += buf;
    }
    EXPECT_EQ(p ? pclose(p) : -1, 0) << out;
}

TEST(ReadersShowWhatWentIn, ZimbraExport) {
    const auto in = importFile("zimbra-calendar.ics", "Europe/Berlin");
    ASSERT_EQ(in.items.size(), 9u);
    // readpst writes its own RRULE from the pattern.
    expectReadersShow(in.items, {{"Team meeting", "FREQ=WEEKLY;COUNT=16;BYDAY=TU"},
                                 {"Payroll run", "FREQ=MONTHLY;COUNT=6;BYMONTHDAY=31"}});
}

TEST(ReadersShowWhatWentIn, ZimbraBlobAndRfcExamples) {
    std::vector<CalendarItem> items;
    const std::string blob = readData("zimbra-0000000312-Jour_fixe.appt");
    CalendarImporter importer(ImportOptions{.localZone = "Europe/Berlin"});
    importer.importMime(std::span(reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()),
                        "blob", [&](CalendarItem i) { items.push_back(std::move(i)); });
    for (CalendarItem& i : importFile("libical/2445.ics").items) {
        items.push_back(std::move(i));
    }
    ASSERT_EQ(items.size(), 9u);
    expectReadersShow(items,
                      {{"Jour fixe Größenplanung", "FREQ=WEEKLY;COUNT=8;INTERVAL=2;BYDAY=MO"}});
}

}  // namespace
}  // namespace tolvane::calendar::test
