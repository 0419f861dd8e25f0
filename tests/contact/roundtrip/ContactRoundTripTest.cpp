// Contacts imported from real-world vCards and from Zimbra's fields, written by the PST
// writer and read back by readpst (its vCard output) and pst-extractor (its contact object),
// field by field; tolvane-pstcheck --strict must pass the file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "ContactHelpers.h"
#include "pst/PstWriter.h"

namespace tolvane::contact::test {
namespace {

namespace fs = std::filesystem;

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + "pixels";

std::vector<ImportedContact> contacts() {
    std::vector<ImportedContact> out;
    for (const char* name : {"text-vcard/complete.vcf", "text-vcard/encoding.vcf",
                             "text-vcard/quotedprintable.vcf", "sabre-vobject/issue153.vcf"}) {
        const auto bytes = dataFile(name);
        for (auto& c : importVCards(bytes, name).contacts) {
            out.push_back(std::move(c));
        }
    }
    const std::string blob =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
        "Content-Disposition: attachment; filename=me.jpg; field=image\r\n"
        "Content-Type: image/jpeg\r\n\r\n" +
        kJpeg + "\r\n--b--\r\n";
    const auto blobBytes = bytesOf(blob);
    out.push_back(importZimbraContact({{{"firstName", "J\xC3\xBCrgen"},
                                        {"lastName", "M\xC3\xBCller"},
                                        {"company", "Acme"},
                                        {"jobTitle", "Chemist"},
                                        {"email", "jm@example.de"},
                                        {"email2", "j@home.example"},
                                        {"email3", "j3@example.de"},
                                        {"email4", "j4@example.de"},
                                        {"homePhone", "+49 1"},
                                        {"workPhone", "+49 2"},
                                        {"mobilePhone", "+49 3"},
                                        {"workFax", "+49 4"},
                                        {"homeStreet", "Hauptstr. 1"},
                                        {"homeCity", "Berlin"},
                                        {"homePostalCode", "10115"},
                                        {"homeCountry", "Germany"},
                                        {"workURL", "http://acme.example"},
                                        {"birthday", "1971-02-03"},
                                        {"notes", "Met in Berlin."},
                                        {"maidenName", "Meier"}},
                                       {"Work"},
                                       blobBytes,
                                       "Contacts/Mueller.meta"}));
    out.push_back(importZimbraContact({{{"type", "group"},
                                        {"nickname", "Team"},
                                        {"dlist", "Ann <ann@example.org>, bob@example.org"}},
                                       {},
                                       {},
                                       "Contacts/Team.meta"}));
    return out;
}

int run(const std::string& cmd) {
    return std::system(cmd.c_str());
}

TEST(ContactRoundTrip, ReadersShowWhatWentIn) {
    const fs::path dir = fs::temp_directory_path() / ("contact-rt-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path pst = dir / "contacts.pst";
    {
        auto writer = pst::PstWriter::create(pst, "Contacts");
        const auto folder = writer->addFolder(writer->ipmSubtree(), "Contacts");
        for (const auto& c : contacts()) {
            writer->addMessage(folder, c.message);
        }
        writer->close();
    }
    EXPECT_EQ(run(std::string(TOLVANE_PSTCHECK) + " --strict '" + pst.string() + "'"), 0);
    const std::string expected = std::string(TOLVANE_CONTACT_DATA) + "/roundtrip-expected.json";
    EXPECT_EQ(run(std::string(TOLVANE_READERS_PYTHON) +
                  " " TOLVANE_TEST_ROOT "/support/contact_readers.py compare '" + pst.string() +
                  "' '" + expected + "'"),
              0);
    if (std::getenv("TOLVANE_KEEP_PST") == nullptr) {
        fs::remove_all(dir);
    }
}

}  // namespace
}  // namespace tolvane::contact::test
