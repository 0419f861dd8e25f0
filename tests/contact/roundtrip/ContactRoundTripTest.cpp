// Contacts imported from real-world vCards and from Zimbra's fields, written by the PST
// writer and read back by readpst (its vCard output) and pst-extractor (its contact object),
// field by field; tolvane-pstcheck --strict must pass the file, and fail copies that break
// the contact rules it checks.

#include <gtest/gtest.h>

#include <cstdio>
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

ImportedContact zimbraPerson();
ImportedContact zimbraGroup();

std::vector<ImportedContact> contacts() {
    std::vector<ImportedContact> out;
    for (const char* name : {"text-vcard/complete.vcf", "text-vcard/encoding.vcf",
                             "text-vcard/quotedprintable.vcf", "sabre-vobject/issue153.vcf"}) {
        const auto bytes = dataFile(name);
        for (auto& c : importVCards(bytes, name).contacts) {
            out.push_back(std::move(c));
        }
    }
    out.push_back(zimbraPerson());
    out.push_back(zimbraGroup());
    return out;
}

// From Zimbra's fields: three e-mail slots, a fourth address for the notes, and a photo.
ImportedContact zimbraPerson() {
    const std::string blob =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
        "Content-Disposition: attachment; filename=me.jpg; field=image\r\n"
        "Content-Type: image/jpeg\r\n\r\n" +
        kJpeg + "\r\n--b--\r\n";
    const auto blobBytes = bytesOf(blob);
    return importZimbraContact({{{"firstName", "J\xC3\xBCrgen"},
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
                                "Contacts/Mueller.meta"});
}

// A contact group of two addresses.
ImportedContact zimbraGroup() {
    return importZimbraContact({{{"type", "group"},
                                 {"nickname", "Team"},
                                 {"dlist", "Ann <ann@example.org>, bob@example.org"}},
                                {},
                                {},
                                "Contacts/Team.meta"});
}

int run(const std::string& cmd) {
    return std::system(cmd.c_str());
}

// A PST of the messages in a fresh folder, removed with the object.
class TempPst {
  public:
    explicit TempPst(const std::vector<mapi::Message>& messages)
        : dir_(fs::temp_directory_path() / ("contact-rt-" + std::to_string(::getpid()))),
          path_(dir_ / "contacts.pst") {
        fs::create_directories(dir_);
        auto writer = pst::PstWriter::create(path_, "Contacts");
        const auto folder = writer->addFolder(writer->ipmSubtree(), "Contacts");
        for (const auto& m : messages) {
            writer->addMessage(folder, m);
        }
        writer->close();
    }
    ~TempPst() {
        if (std::getenv("TOLVANE_KEEP_PST") == nullptr) {
            fs::remove_all(dir_);
        }
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path dir_, path_;
};

// tolvane-pstcheck --strict's output and whether it passed.
std::pair<bool, std::string> strictCheck(const fs::path& pst) {
    const std::string cmd = std::string(TOLVANE_PSTCHECK) + " --strict '" + pst.string() + "' 2>&1";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) {
        return {false, "cannot run " + cmd};
    }
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) {
        out.append(buf, n);
    }
    return {::pclose(p) == 0, out};
}

TEST(ContactRoundTrip, ReadersShowWhatWentIn) {
    std::vector<mapi::Message> messages;
    for (auto& c : contacts()) {
        messages.push_back(std::move(c.message));
    }
    const TempPst pst(messages);
    const auto [passed, output] = strictCheck(pst.path());
    EXPECT_TRUE(passed) << output;
    const std::string expected = std::string(TOLVANE_CONTACT_DATA) + "/roundtrip-expected.json";
    EXPECT_EQ(run(std::string(TOLVANE_READERS_PYTHON) +
                  " " TOLVANE_TEST_ROOT "/support/contact_readers.py compare '" +
                  pst.path().string() + "' '" + expected + "'"),
              0);
}

// The checker's contact rules, each broken on its own copy of a good contact or list.
TEST(ContactRoundTrip, CheckerReportsContactsThatBreakOutlooksRules) {
    const mapi::Message person = zimbraPerson().message;  // three e-mails and a photo
    const mapi::Message group = zimbraGroup().message;
    ASSERT_EQ(text(person, mapi::tag::kMessageClass), "IPM.Contact");
    ASSERT_EQ(text(group, mapi::tag::kMessageClass), "IPM.DistList");
    ASSERT_FALSE(person.attachments.empty());

    std::vector<mapi::Message> broken;
    for (int i = 0; i < 3; ++i) {
        broken.push_back(zimbraPerson().message);
    }
    for (int i = 0; i < 2; ++i) {
        broken.push_back(zimbraGroup().message);
    }
    broken[0].props.setNamed(mapi::named::kAddressBookProviderArrayType,
                             mapi::PropValue::int32(0x3));
    broken[1].props.setNamed(mapi::named::kEmailOriginalEntryId[1],
                             *person.props.getNamed(mapi::named::kEmailOriginalEntryId[0]));
    broken[2].attachments.clear();  // PidLidHasPicture stays true
    broken[3].props.setNamed(
        mapi::named::kDistributionListChecksum,
        mapi::PropValue::int32(*int32(group, mapi::named::kDistributionListChecksum) + 1));
    auto oneOffs = group.props.getNamed(mapi::named::kDistributionListOneOffMembers)->asBinaries();
    ASSERT_EQ(oneOffs.size(), 2u);
    oneOffs.pop_back();
    broken[4].props.setNamed(mapi::named::kDistributionListOneOffMembers,
                             mapi::PropValue::mvBinary(oneOffs));

    const TempPst pst(broken);
    const auto [passed, output] = strictCheck(pst.path());
    EXPECT_FALSE(passed);
    for (const char* fault :
         {"PidLidAddressBookProviderArrayType: e-mail bits 0x3, the slots holding addresses 0x7",
          "e-mail 2: entry id names jm@example.de, the slot j@home.example",
          "PidLidHasPicture: is true, and no attachment has PidTagAttachmentContactPhoto",
          "PidLidDistributionListChecksum: is ",
          "PidLidDistributionListOneOffMembers: 1 values for 2 members"}) {
        EXPECT_NE(output.find(fault), std::string::npos) << fault << "\n" << output;
    }
}

}  // namespace
}  // namespace tolvane::contact::test
