// 10,000 contacts from one .vcf file (a photo on every tenth, a group of members on every
// fiftieth from Zimbra's fields) imported alone, then imported and written to one PST folder:
// time per contact, and the resident memory after each thousand. The import's must not grow
// with the count; what the second pass adds is the writer's, which must stop growing once a
// quarter of the contacts are written (goal: at most 2 MiB more at the end). Exit status 1 when
// a pass lost a contact or the goal is missed.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "contact/ContactImport.h"
#include "mime/Base64.h"
#include "pst/PstWriter.h"
#include "support/ProcStatus.h"
#include "support/Timing.h"

namespace {

using namespace tolvane;
namespace fs = std::filesystem;
using bench::Clock;
using bench::secondsSince;

constexpr int kContacts = 10000;

long residentKiB() {
    return procStatusKiB("VmRSS");
}

std::string card(int i) {
    std::string photo;
    if (i % 10 == 0) {
        std::string jpeg = "\xFF\xD8\xFF\xE0";
        jpeg.append(6000, static_cast<char>(i));
        photo = "PHOTO;ENCODING=b;TYPE=JPEG:" + mime::base64Encode(jpeg) + "\r\n";
    }
    const std::string n = std::to_string(i);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Surname" + n + ";Given" + n + ";;;\r\nFN:Given" + n +
           " Surname" + n + "\r\nORG:Company " + n + ";Sales\r\nTITLE:Clerk\r\n" +
           "EMAIL;TYPE=internet:p" + n + "@example.org\r\nEMAIL;TYPE=internet:q" + n +
           "@example.com\r\nTEL;TYPE=work,voice:+1 555 " + n + "\r\nTEL;TYPE=cell:+1 556 " + n +
           "\r\nADR;TYPE=home:;;" + n + " Elm Street;Springfield;IL;62701;USA\r\n" +
           "BDAY:1970-01-" + std::to_string(1 + i % 28) + "\r\nNOTE:Met at the fair\\, " + n +
           "\r\nCATEGORIES:Friends,Work\r\nX-CUSTOM:kept in the notes\r\n" + photo +
           "END:VCARD\r\n";
}

}  // namespace

int main() {
    std::string vcf;
    for (int i = 0; i < kContacts; ++i) {
        vcf += card(i);
    }
    const auto cardAt = [&vcf](std::size_t& at) {
        const std::size_t end = vcf.find("END:VCARD\r\n", at) + 11;
        const auto bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(vcf.data()) + at, end - at);
        at = end;
        return contact::importVCards(bytes, "bench.vcf");
    };
    const auto group = [](int i) {
        contact::ZimbraContact g;
        g.fields = {{"type", "group"},
                    {"nickname", "Group " + std::to_string(i)},
                    {"dlist", "a@example.org, \"B\" <b@example.org>, c@example.org"}};
        g.source = "bench";
        return contact::importZimbraContact(g);
    };
    const auto progress = [](int i, Clock::time_point start) {
        if ((i + 1) % 1000 == 0) {
            std::printf("%8d  %7.2f  %7ld\n", i + 1, secondsSince(start), residentKiB());
        }
    };

    std::printf("import alone\ncontacts  seconds  RSS KiB\n");
    const long beforeImport = residentKiB();
    auto start = Clock::now();
    std::size_t at = 0;
    std::size_t imported = 0;
    for (int i = 0; i < kContacts; ++i) {
        imported += cardAt(at).contacts.size();
        if (i % 50 == 0 && !group(i).message.props.empty()) {
            ++imported;
        }
        progress(i, start);
    }
    const double importSeconds = secondsSince(start);
    const long afterImport = residentKiB();

    const fs::path dir = fs::temp_directory_path() / ("contact_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / "contacts.pst";
    const long before = residentKiB();
    start = Clock::now();
    auto pst = pst::PstWriter::create(path, "Contacts bench");
    const pst::FolderId folder = pst->addFolder(pst->ipmSubtree(), "Contacts");
    // One card at a time, as a queue of many files would hand them over.
    at = 0;
    std::printf("imported and written\ncontacts  seconds  RSS KiB\n");
    long atQuarter = 0;
    for (int i = 0; i < kContacts; ++i) {
        for (auto& c : cardAt(at).contacts) {
            pst->addMessage(folder, c.message);
        }
        if (i % 50 == 0) {
            pst->addMessage(folder, group(i).message);
        }
        progress(i, start);
        if (i + 1 == kContacts / 4) {
            atQuarter = residentKiB();
        }
    }
    pst->close();
    const double total = secondsSince(start);
    const std::uint64_t held = pst->committedMessages();
    std::printf(
        "import alone: %zu items in %.2f s (%.0f a second); RSS before %ld KiB, after "
        "%ld KiB\n",
        imported, importSeconds, kContacts / importSeconds, beforeImport, afterImport);
    std::printf(
        "imported and written: %d contacts and %d groups in %.2f s (%.0f a second); file %.1f "
        "MiB; RSS before %ld KiB, after %ld KiB\n",
        kContacts, kContacts / 50, total, kContacts / total,
        static_cast<double>(fs::file_size(path)) / (1 << 20), before, residentKiB());
    const bool flat = heldFlat("RSS", atQuarter, residentKiB());
    fs::remove_all(dir);
    const std::size_t all = kContacts + kContacts / 50;
    return held == all && imported == all && flat ? 0 : 1;
}
