// Bad input: the best message that can be made, every byte kept, and
// files that cannot be read reported by name and reason.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "platform/AppError.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

TEST(MalformedStructure, TruncatedMultipartKeepsWhatExists) {
    const auto m = importText(
        "Subject: cut\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nbody text\r\n"
        "--b\r\nContent-Type: application/pdf; name=a.pdf\r\nContent-Transfer-Encoding: "
        "base64\r\n\r\n"
        "JVBERi0x");
    EXPECT_EQ(str(m.props, tag::kSubject), "cut");
    EXPECT_EQ(str(m.props, tag::kBody), "body text");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(bin(m.attachments[0].props, tag::kAttachDataBinary), "%PDF-1");
}

TEST(MalformedStructure, MissingBoundaryInNestedPartKeepsTheText) {
    const auto m = importText(
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
        "--b\r\nContent-Type: multipart/alternative; boundary=gone\r\n\r\nlost text kept\r\n"
        "--b--\r\n");
    EXPECT_EQ(str(m.props, tag::kBody), "body");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachMimeTag), "text/plain");
    EXPECT_EQ(bin(m.attachments[0].props, tag::kAttachDataBinary), "lost text kept");
}

TEST(MalformedBytes, NulBytesAndBareLineEnds) {
    const auto m = importText(
        std::string("Subject: a\0b\nFrom: x@y.org\rTo: t@y.org\n\nline1\0tail\rline2\nline3", 62));
    EXPECT_EQ(str(m.props, tag::kBody), "line1\xEF\xBF\xBDtail\r\nline2\r\nline3");
    const std::string headers = str(m.props, tag::kTransportMessageHeaders);
    EXPECT_NE(headers.find("Subject: a\xEF\xBF\xBD"
                           "b\r\n"),
              std::string::npos);
}

// RFC 2045 §5.2: a type without a subtype is text/plain, so the part is the body.
TEST(MalformedStructure, TextWithoutSubtypeIsPlainText) {
    const auto m =
        importText("Subject: s\r\nContent-Type: text; charset=iso-8859-1\r\n\r\ncaf\xE9\r\n");
    EXPECT_EQ(str(m.props, tag::kBody), "café\r\n");
    EXPECT_EQ(num(m.props, tag::kInternetCodepage), 28591);
    EXPECT_TRUE(m.attachments.empty());
    const auto inside = importText(
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: TEXT\r\n\r\n"
        "first\r\n--b\r\nContent-Type: text\r\n\r\nsecond\r\n--b--\r\n");
    EXPECT_EQ(str(inside.props, tag::kBody), "first");
    ASSERT_EQ(inside.attachments.size(), 1u);
    EXPECT_EQ(str(inside.attachments[0].props, tag::kAttachMimeTag), "text/plain");
    EXPECT_EQ(str(inside.attachments[0].props, tag::kAttachLongFilename), "ATT00001.txt");
}

// A last base64 group cut short still carries whole bytes: two symbols one, three two.
TEST(MalformedEncoding, TruncatedBase64KeepsItsLastBytes) {
    const auto m = importText(
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nbody\r\n"
        "--b\r\nContent-Type: application/octet-stream; name=two.bin\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nQUJDRA\r\n"
        "--b\r\nContent-Type: application/octet-stream; name=three.bin\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\nREU\r\n--b--\r\n");
    ASSERT_EQ(m.attachments.size(), 2u);
    EXPECT_EQ(bin(m.attachments[0].props, tag::kAttachDataBinary), "ABCD");
    EXPECT_EQ(bin(m.attachments[1].props, tag::kAttachDataBinary), "ABCDE");
}

TEST(MalformedEncoding, BrokenQuotedPrintableKeepsTheBytes) {
    const auto m = importText(
        "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n"
        "\r\nbad =ZZ escape, soft=\r\nbreak, caf=C3=A9=\r\n");
    EXPECT_EQ(str(m.props, tag::kBody), "bad =ZZ escape, softbreak, café");
}

TEST(MalformedEncoding, UnknownTransferEncodingIsAnOctetStreamAttachment) {
    const auto m = importText(
        "Content-Type: text/plain\r\nContent-Transfer-Encoding: x-gzip64\r\n\r\n"
        "begin 644 a.txt\r\n#86)C\r\nend\r\n");
    EXPECT_FALSE(m.props.has(tag::kBody));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachMimeTag), "application/octet-stream");
    EXPECT_EQ(bin(m.attachments[0].props, tag::kAttachDataBinary),
              "begin 644 a.txt\r\n#86)C\r\nend\r\n");
}

TEST(MalformedStructure, NoHeadersAtAllIsAllBody) {
    TempFile f("just some text\nwith no headers\xE9\n");
    std::filesystem::last_write_time(f.path(), std::filesystem::file_time_type::clock::now());
    const auto m = importEml(f.path());
    EXPECT_EQ(str(m.props, tag::kMessageClass), "IPM.Note");
    EXPECT_EQ(str(m.props, tag::kBody), "just some text\r\nwith no headersé\r\n");
    EXPECT_EQ(str(m.props, tag::kSubject), "");
    EXPECT_EQ(num(m.props, tag::kImportance), 1);
    EXPECT_EQ(num(m.props, tag::kSensitivity), 0);
    EXPECT_GT(unixTime(m.props, tag::kClientSubmitTime), 0);
}

TEST(UnreadableFiles, ErrorsNameTheFileAndTheReason) {
    const auto dir = std::filesystem::temp_directory_path() / "mime-test-unreadable";
    std::filesystem::create_directories(dir);
    const auto expectError = [](const std::filesystem::path& p, long number,
                                const std::string& reason) {
        try {
            importEml(p);
            ADD_FAILURE() << "no error for " << p;
        } catch (const AppError& e) {
            EXPECT_EQ(e.number(), number) << e.description();
            EXPECT_NE(e.description().find(p.string()), std::string::npos) << e.description();
            EXPECT_NE(e.description().find(reason), std::string::npos) << e.description();
        }
    };
    expectError(dir / "missing.eml", errc::kFileNotFound, "No such file or directory");
    expectError(dir, 75, "Is a directory");
    {
        const auto empty = dir / "empty.eml";
        { std::ofstream(empty.string()); }
        expectError(empty, 62, "empty");
    }
#ifndef _WIN32  // named pipes and file modes of the POSIX kind
    {
        // A pipe queued by name is refused at once, not waited on for a writer.
        const auto pipe = dir / "pipe.eml";
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        expectError(pipe, 75, "not a regular file");
    }
    if (geteuid() != 0) {
        const auto locked = dir / "locked.eml";
        { std::ofstream(locked.string()) << "Subject: x\r\n\r\nx\r\n"; }
        chmod(locked.c_str(), 0);
        expectError(locked, errc::kPermissionDenied, "Permission denied");
        chmod(locked.c_str(), 0600);
    }
#endif
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tolvane::mime::test
