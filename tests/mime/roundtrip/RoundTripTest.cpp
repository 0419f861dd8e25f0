// Messages written for the purpose, imported, written to a PST by our writer and read back
// by readpst, pffexport, pypff and pst-extractor: subject, sender, recipients, date, bodies
// and attachment bytes must survive.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/MessageImporter.h"
#include "pst/PstWriter.h"

namespace tolvane::mime::test {
namespace {

std::string sha256(const std::string& bytes) {
    TempFile f(bytes);
    const std::string cmd = "sha256sum '" + f.path().string() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    char digest[65] = {};
    if (p) {
        if (std::fread(digest, 1, 64, p) != 64)
            digest[0] = 0;
        pclose(p);
    }
    return digest;
}

struct Case {
    std::string eml;
    std::string expected;  // the JSON message object the readers must show
};

std::vector<Case> cases() {
    const std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<<>>\nendobj\n";
    return {
        {"Received: from mx.example.de by mail.example.org; Tue, 3 Mar 2020 10:00:05 +0100\r\n"
         "From: =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <jm@example.de>\r\n"
         "To: Ann Smith <ann@example.org>, bob@example.org\r\nCc: =?ISO-8859-1?Q?Ren=E9?= "
         "<rene@example.fr>\r\n"
         "Subject: =?UTF-8?B?R3LDtsOfZSDigqw=?= plain\r\nDate: Tue, 3 Mar 2020 09:59:30 +0100\r\n"
         "Content-Type: text/plain; charset=utf-8; format=flowed\r\n\r\nHallo \r\nWelt, "
         "Gr\xC3\xBC\xC3\x9F"
         "e.\r\n",
         R"({"subject": "Größe € plain", "sender_name": "Jürgen Müller", "sender_email": "jm@example.de",
             "to": [{"name": "Ann Smith", "email": "ann@example.org"},
                    {"name": "bob@example.org", "email": "bob@example.org"}],
             "cc": [{"name": "René", "email": "rene@example.fr"}],
             "date": "2020-03-03T08:59:30Z", "body": "Hallo Welt, Grüße.", "attachments": []})"},
        {"Received: from a by b; Wed, 4 Mar 2020 10:00:01 +0000\r\n"
         "From: Ann <ann@example.org>\r\nTo: Bob <bob@example.org>\r\n"
         "Subject: =?iso-2022-jp?B?GyRCRnxLXDhsGyhC?= html\r\nDate: Wed, 4 Mar 2020 10:00:00 "
         "+0000\r\n"
         "Content-Type: multipart/mixed; boundary=mix\r\n\r\n"
         "--mix\r\nContent-Type: multipart/alternative; boundary=alt\r\n\r\n"
         "--alt\r\nContent-Type: text/plain; charset=windows-1252\r\n\r\ncaf\xE9 \x80 text\r\n"
         "--alt\r\nContent-Type: text/html; charset=windows-1252\r\n\r\n"
         "<html><head><meta charset=\"windows-1252\"></head><body><p>caf\xE9 \x80 "
         "html</p></body></html>\r\n--alt--\r\n"
         "--mix\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment;\r\n"
         " filename*=UTF-8''Bericht%20%C3%BCber.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n"
         "JVBERi0xLjQKJeLjz9MKMSAwIG9iago8PD4+CmVuZG9iagoK\r\n--mix--\r\n",
         R"({"subject": "日本語 html", "sender_name": "Ann", "sender_email": "ann@example.org",
             "to": [{"name": "Bob", "email": "bob@example.org"}],
             "date": "2020-03-04T10:00:00Z", "body": "café € text",
             "html": "<html><head><meta charset=\"utf-8\"></head><body><p>café € html</p></body></html>",
             "attachments": [{"name": "Bericht über.pdf", "size": )" +
             std::to_string(pdf.size() + 1) + R"(, "sha256": ")" + sha256(pdf + "\n") + R"("}]})"},
        {"From: Carol <carol@example.org>\r\nTo: Dan <dan@example.org>\r\nSubject: Fwd: with "
         "message\r\n"
         "Date: Thu, 5 Mar 2020 11:00:00 +0000\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
         "--b\r\nContent-Type: text/plain\r\n\r\nsee below\r\n"
         "--b\r\nContent-Type: message/rfc822\r\n\r\n"
         "From: Eve <eve@example.org>\r\nTo: Carol <carol@example.org>\r\nSubject: inner\r\n"
         "Date: Mon, 2 Mar 2020 08:00:00 +0000\r\n\r\ninner body\r\n--b--\r\n",
         R"({"subject": "Fwd: with message", "sender_name": "Carol", "body": "see below",
             "attachments": [{"name": "inner", "embedded": true,
                              "message": {"subject": "inner", "sender_name": "Eve",
                                          "body": "inner body"}}]})"},
    };
}

TEST(PstRoundTrip, ImportedMessagesReadBackByFourReaders) {
    const auto dir = std::filesystem::temp_directory_path() / "mime-roundtrip";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto pst = dir / "roundtrip.pst";
    std::string expected =
        R"({"folders": [{"path": ["Top of Personal Folders", "Inbox"], "messages": [)";
    {
        auto writer = pst::PstWriter::create(pst, "Round trip");
        const auto inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
        bool first = true;
        for (const auto& c : cases()) {
            const auto message = importText(c.eml);
            writer->addMessage(inbox, message);
            expected += (first ? "" : ", ") + c.expected;
            first = false;
        }
        writer->close();
    }
    expected += "]}]}";
    const auto expectedFile = dir / "expected.json";
    std::ofstream(expectedFile) << expected;
    const std::string cmd = std::string(TOLVANE_READERS_PYTHON) +
                            " " TOLVANE_TEST_ROOT "/support/pst_readers.py compare '" +
                            pst.string() + "' '" + expectedFile.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << "differences are on stdout; PST kept in " << dir;
}

// A mail forwarded `depth` times, a file attached at every level; below 32 levels the
// import keeps the rest as an .eml file.
std::string forwarded(int level, int depth) {
    const std::string b = "b" + std::to_string(level);
    std::string eml = "From: f" + std::to_string(level) + "@example.org\r\nSubject: Level " +
                      std::to_string(level) + "\r\nDate: Thu, 5 Mar 2020 11:00:00 +0000\r\n" +
                      "Content-Type: multipart/mixed; boundary=" + b + "\r\n\r\n--" + b +
                      "\r\nContent-Type: text/plain\r\n\r\nforwarded\r\n--" + b +
                      "\r\nContent-Type: text/plain; name=file-" + std::to_string(level) +
                      ".txt\r\nContent-Disposition: attachment\r\n\r\nlevel text\r\n";
    if (level < depth) {
        eml += "--" + b + "\r\nContent-Type: message/rfc822\r\n\r\n" + forwarded(level + 1, depth);
    }
    return eml + "--" + b + "--\r\n";
}

std::string expectedLevel(int level, int depth) {
    std::string json = R"({"subject": "Level )" + std::to_string(level) +
                       R"(", "body": "forwarded", "attachments": [{"name": "file-)" +
                       std::to_string(level) + R"(.txt", "size": 10})";
    if (level < depth && level == kMaxEmbeddingDepth) {
        json += R"(, {"name": "Level )" + std::to_string(level + 1) + R"(.eml"})";
    } else if (level < depth) {
        json += R"(, {"name": "Level )" + std::to_string(level + 1) +
                R"(", "embedded": true, "message": )" + expectedLevel(level + 1, depth) + "}";
    }
    return json + "]}";
}

// Forwarded mail with attachments at every level, 2, 5 and 50 deep: the store the import
// and the writer make passes tolvane-pstcheck --strict and reads back in all four readers.
TEST(PstRoundTrip, ForwardedMailWithAttachmentsAtAnyDepth) {
    const auto dir = std::filesystem::temp_directory_path() / "mime-roundtrip-forwards";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto pst = dir / "forwards.pst";
    std::string expected =
        R"({"folders": [{"path": ["Top of Personal Folders", "Inbox"], "messages": [)";
    {
        auto writer = pst::PstWriter::create(pst, "Forwards");
        const auto inbox = writer->addFolder(writer->ipmSubtree(), "Inbox");
        for (const int depth : {2, 5, 50}) {
            std::string eml = forwarded(0, depth);
            eml.replace(eml.find("Level 0"), 7, "Forwarded " + std::to_string(depth));
            writer->addMessage(inbox, importText(eml));
            std::string level0 = expectedLevel(0, depth);
            level0.replace(level0.find("Level 0"), 7, "Forwarded " + std::to_string(depth));
            expected += (depth == 2 ? "" : ", ") + level0;
        }
        writer->close();
    }
    expected += "]}]}";
    const auto expectedFile = dir / "expected.json";
    std::ofstream(expectedFile) << expected;
    const std::string readers = std::string(TOLVANE_READERS_PYTHON) +
                                " " TOLVANE_TEST_ROOT "/support/pst_readers.py compare '" +
                                pst.string() + "' '" + expectedFile.string() + "'";
    EXPECT_EQ(std::system(readers.c_str()), 0) << "differences are on stdout; PST kept in " << dir;
    const std::string checker = std::string(TOLVANE_PSTCHECK) + " --strict '" + pst.string() + "'";
    EXPECT_EQ(std::system(checker.c_str()), 0) << "problems are on stdout; PST kept in " << dir;
}

}  // namespace
}  // namespace tolvane::mime::test
