// The calendar import and the PST writer over 10,000 generated appointments, a quarter of them
// recurring (some with a moved and a cancelled occurrence), in one .ics file with a shared
// VTIMEZONE. Prints the time and the peak resident memory after each 2,500 items: memory must
// not grow with the items written, only the file's text is held whole (goal: at most 2 MiB
// more at the end than after the first 2,500). Exit status 1 when an item is lost or the goal
// is missed.

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "calendar/CalendarImport.h"
#include "pst/PstWriter.h"
#include "support/ProcStatus.h"
#include "support/Timing.h"

namespace {

constexpr int kItems = 10'000;

long peakKiB() {
    return procStatusKiB("VmHWM");
}

long currentKiB() {
    return procStatusKiB("VmRSS");
}

std::string stamp(int dayOffset, int hour) {
    const int year = 2024 + dayOffset / 336;
    const int month = 1 + (dayOffset / 28) % 12;
    const int day = 1 + dayOffset % 28;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d0000", year, month, day, hour);
    return buf;
}

std::string calendarText() {
    std::mt19937 rng(42);
    std::string t =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:Zimbra-Calendar-Provider\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:16010101T030000\r\n"
        "TZOFFSETTO:+0100\r\nTZOFFSETFROM:+0200\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
        "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:16010101T020000\r\nTZOFFSETTO:+0200\r\n"
        "TZOFFSETFROM:+0100\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
        "END:VTIMEZONE\r\n";
    static const char* rules[] = {"FREQ=DAILY;COUNT=20",
                                  "FREQ=WEEKLY;BYDAY=MO,WE;UNTIL=20261231T000000Z",
                                  "FREQ=MONTHLY;BYDAY=2TU;COUNT=24", "FREQ=YEARLY"};
    for (int i = 0; i < kItems; ++i) {
        const int day = static_cast<int>(rng() % 1000);
        const int hour = 8 + static_cast<int>(rng() % 9);
        const std::string uid = "bench-" + std::to_string(i) + "@example.org";
        t += "BEGIN:VEVENT\r\nUID:" + uid + "\r\nSUMMARY:Appointment " + std::to_string(i) +
             " Größe\r\nLOCATION:Room " + std::to_string(i % 50) +
             "\r\nDESCRIPTION:Agenda item one\\nAgenda item two\r\nDTSTART;TZID=Europe/Berlin:" +
             stamp(day, hour) + "\r\nDTEND;TZID=Europe/Berlin:" + stamp(day, hour + 1) +
             "\r\nATTENDEE;CN=Ann:mailto:ann@example.org\r\nORGANIZER;CN=Bob:mailto:bob@example."
             "org\r\n"
             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n";
        const bool recurring = i % 4 == 0;
        if (recurring) {
            t += std::string("RRULE:") + rules[(i / 4) % 4] + "\r\n";
        }
        t += "END:VEVENT\r\n";
        if (recurring && (i / 4) % 4 == 0) {
            // The daily series' third occurrence moved by an hour, its fifth cancelled.
            t += "BEGIN:VEVENT\r\nUID:" + uid +
                 "\r\nRECURRENCE-ID;TZID=Europe/Berlin:" + stamp(day + 2, hour) +
                 "\r\nSUMMARY:Moved\r\nDTSTART;TZID=Europe/Berlin:" + stamp(day + 2, hour + 1) +
                 "\r\nDTEND;TZID=Europe/Berlin:" + stamp(day + 2, hour + 2) + "\r\nEND:VEVENT\r\n";
            t += "BEGIN:VEVENT\r\nUID:" + uid +
                 "\r\nRECURRENCE-ID;TZID=Europe/Berlin:" + stamp(day + 4, hour) +
                 "\r\nSTATUS:CANCELLED\r\nDTSTART;TZID=Europe/Berlin:" + stamp(day + 4, hour) +
                 "\r\nEND:VEVENT\r\n";
        }
    }
    return t + "END:VCALENDAR\r\n";
}

}  // namespace

int main() {
    using namespace tolvane;
    using bench::Clock;
    using bench::secondsSince;
    const std::string text = calendarText();
    std::printf(
        "%d appointments, %d recurring, %.1f MiB of iCalendar; peak %ld KiB after generating\n",
        kItems, kItems / 4, static_cast<double>(text.size()) / (1 << 20), peakKiB());
    {
        // The import alone, each item dropped as soon as it is made.
        const auto t0 = Clock::now();
        long afterQuarter = 0;
        int n = 0;
        calendar::CalendarImporter alone(calendar::ImportOptions{.localZone = "Europe/Berlin"});
        alone.importText(text, "bench.ics", [&](calendar::CalendarItem) {
            if (++n == kItems / 4) {
                afterQuarter = currentKiB();
            }
        });
        std::printf("import alone: %.2f s; resident %ld KiB after 2,500 items, %ld KiB after %d\n",
                    secondsSince(t0), afterQuarter, currentKiB(), n);
    }
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("calendar_bench_" + std::to_string(getpid()) + ".pst");
    std::filesystem::remove(path);
    auto pst = pst::PstWriter::create(path, "Calendar bench");
    const pst::FolderId folder = pst->addFolder(pst->ipmSubtree(), "Calendar");
    calendar::CalendarImporter importer(calendar::ImportOptions{.localZone = "Europe/Berlin"});
    const auto start = Clock::now();
    int written = 0;
    long atQuarter = 0;
    const auto result = importer.importText(text, "bench.ics", [&](calendar::CalendarItem item) {
        pst->addMessage(folder, item.message);
        if (++written == kItems / 4) {
            atQuarter = peakKiB();
        }
        if (written % 2500 == 0) {
            const double s = secondsSince(start);
            std::printf("  %5d items  %6.2f s  resident %ld KiB  peak %ld KiB\n", written, s,
                        currentKiB(), peakKiB());
        }
    });
    pst->close();
    const double seconds = secondsSince(start);
    std::printf(
        "imported and written: %zu items, %zu problems, %.2f s (%.0f items/s), file %.1f MiB, peak "
        "%ld KiB\n",
        result.items, result.problems.size(), seconds, result.items / seconds,
        static_cast<double>(std::filesystem::file_size(path)) / (1 << 20), peakKiB());
    if (!result.problems.empty()) {
        std::printf("first problem: %s: %s\n", result.problems.front().where.c_str(),
                    result.problems.front().what.c_str());
    }
    std::filesystem::remove(path);
    const bool flat = heldFlat("peak", atQuarter, peakKiB());
    return result.items == kItems && flat ? 0 : 1;
}
