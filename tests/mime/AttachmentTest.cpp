// Attachments (MS-OXCMAIL, RFC 2183): by-value rows, file names, inline images,
// embedded messages, S/MIME, and large attachments spooled to disk.

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "ImportHelpers.h"
#include "mapi/Tags.h"
#include "mime/Base64.h"
#include "mime/GObjectPtr.h"
#include "mime/MessageImporter.h"

namespace tolvane::mime::test {
namespace {

namespace tag = mapi::tag;

std::string withAttachment(const std::string& partHeaders, const std::string& content) {
    return "Subject: s\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
           "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
           "--b\r\n" +
           partHeaders + "\r\n" + content + "\r\n--b--\r\n";
}

// §3.1 every property of a by-value row.
TEST(ByValueAttachment, RowCarriesEveryProperty) {
    const auto m = importText(withAttachment(
        "Content-Type: application/pdf; name=\"ignored.pdf\"\r\n"
        "Content-Disposition: attachment; filename=\"Quarterly Report 2020.pdf\";\r\n"
        " creation-date=\"Wed, 12 Feb 1997 16:29:51 -0500\"\r\n"
        "Content-Description: The report\r\nContent-ID: <rep@x>\r\n"
        "Content-Location: http://x.org/report.pdf\r\nContent-Transfer-Encoding: base64\r\n",
        "JVBERi0xLjQK"));
    ASSERT_EQ(m.attachments.size(), 1u);
    const auto& p = m.attachments[0].props;
    EXPECT_EQ(num(p, tag::kAttachMethod), 1);
    EXPECT_EQ(bin(p, tag::kAttachDataBinary), "%PDF-1.4\n");
    EXPECT_EQ(str(p, tag::kAttachLongFilename), "Quarterly Report 2020.pdf");
    EXPECT_EQ(str(p, tag::kAttachFilename), "QUARTE~1.PDF");
    EXPECT_EQ(str(p, tag::kAttachExtension), ".pdf");
    EXPECT_EQ(str(p, tag::kAttachMimeTag), "application/pdf");
    EXPECT_EQ(str(p, tag::kDisplayName), "The report");
    EXPECT_EQ(str(p, tag::kAttachContentId), "rep@x");
    EXPECT_EQ(str(p, tag::kAttachContentLocation), "http://x.org/report.pdf");
    EXPECT_EQ(num(p, tag::kRenderingPosition), -1);
    EXPECT_EQ(num(p, tag::kAttachFlags), 0);
    EXPECT_FALSE(p.get(tag::kAttachmentHidden)->asBool());
    EXPECT_EQ(unixTime(p, tag::kCreationTime), 855782991);
    ASSERT_TRUE(m.props.getNamed(mapi::named::kSmartNoAttach));
    EXPECT_FALSE(m.props.getNamed(mapi::named::kSmartNoAttach)->asBool());  // one to see
}

// §3.2 file names: RFC 2231 continuations and charsets, RFC 2047 in quotes, raw 8-bit,
// forbidden characters, nameless parts.
TEST(AttachmentNames, EveryEncodingOfAName) {
    struct Row {
        const char* headers;
        const char* longName;
        const char* shortName;
    } rows[] = {
        {"Content-Type: application/octet-stream\r\nContent-Disposition: attachment;\r\n"
         " filename*0*=UTF-8''%E6%97%A5%E6%9C%AC;\r\n filename*1*=%E8%AA%9E;\r\n"
         " filename*2=\".txt\"\r\n",
         "日本語.txt", "ATT~1.TXT"},
        {"Content-Type: application/octet-stream\r\nContent-Disposition: attachment;\r\n"
         " filename*=iso-8859-1'fr'r%E9sum%E9.doc\r\n",
         "résumé.doc", "RSUM~1.DOC"},
        {"Content-Type: application/octet-stream;\r\n name*0=\"long name \"; name*1=\"in "
         "parts.bin\"\r\n",
         "long name in parts.bin", "LONGNA~1.BIN"},
        {"Content-Type: application/octet-stream\r\nContent-Disposition: attachment;"
         " filename=\"=?UTF-8?B?R3LDtsOfZS54bHN4?=\"\r\n",
         "Größe.xlsx", "GRE~1.XLS"},
        {"Content-Type: application/octet-stream\r\nContent-Disposition: attachment;"
         " filename=\"=?gb2312?B?1tDOxA==?=.doc\"\r\n",
         "中文.doc", "ATT~1.DOC"},
        {"Content-Type: application/octet-stream\r\nContent-Disposition: attachment;"
         " filename=\"M\xC3\xBCller.txt\"\r\n",
         "Müller.txt", "MLLER~1.TXT"},
        {"Content-Type: application/octet-stream\r\nContent-Disposition: attachment;"
         " filename=\"M\xFCller.txt\"\r\n",
         "Müller.txt", "MLLER~1.TXT"},
        {"Content-Type: application/octet-stream\r\nContent-Disposition: attachment;"
         " filename=\"a/b:c<d>|e\\\\f.txt\"\r\n",
         "a_b_c_d__e_f.txt", "A_B_C_~1.TXT"},
        {"Content-Type: image/jpeg\r\n", "ATT00001.jpg", "ATT00001.JPG"},
        {"Content-Type: application/x-thing\r\nContent-Description: Scan of page 1\r\n",
         "Scan of page 1", "SCANOF~1"},
    };
    for (const auto& r : rows) {
        const auto m = importText(withAttachment(r.headers, "data"));
        ASSERT_EQ(m.attachments.size(), 1u) << r.headers;
        EXPECT_EQ(str(m.attachments[0].props, tag::kAttachLongFilename), r.longName) << r.headers;
        EXPECT_EQ(str(m.attachments[0].props, tag::kAttachFilename), r.shortName) << r.headers;
    }
}

// §3.3 inline images referenced by cid are hidden and flagged; unreferenced ones are not.
TEST(InlineImages, ReferencedImagesHiddenOthersVisible) {
    const auto m = importText(
        "Content-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\n\r\n<img src=\"CID:Logo%40x\"><img src='cid:b@x'>\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-ID: <logo@x>\r\n\r\nPNG1\r\n"
        "--r\r\nContent-Type: image/gif\r\nContent-ID: <b@x>\r\n\r\nGIF1\r\n"
        "--r\r\nContent-Type: image/gif\r\nContent-ID: <unused@x>\r\n\r\nGIF2\r\n"
        "--r--\r\n");
    ASSERT_EQ(m.attachments.size(), 3u);
    for (int i : {0, 1}) {
        const auto& p = m.attachments[i].props;
        EXPECT_EQ(num(p, tag::kAttachFlags), 4) << i;
        ASSERT_NE(p.get(tag::kAttachmentHidden), nullptr);
        EXPECT_TRUE(p.get(tag::kAttachmentHidden)->asBool());
    }
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachContentId), "logo@x");
    EXPECT_EQ(num(m.attachments[2].props, tag::kAttachFlags), 0);
    EXPECT_FALSE(m.attachments[2].props.get(tag::kAttachmentHidden)->asBool());
    ASSERT_TRUE(m.props.getNamed(mapi::named::kSmartNoAttach));
    EXPECT_FALSE(m.props.getNamed(mapi::named::kSmartNoAttach)->asBool());  // one to see
}

TEST(InlineImages, ContentLocationReferenceAlsoHides) {
    const auto m = importText(
        "Content-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\n\r\n<img src=\"http://x.org/logo.png\">\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-Location: http://x.org/logo.png\r\n\r\nPNG\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-Location: http://x.org/other.png\r\n\r\nPNG\r\n"
        "--r--\r\n");
    ASSERT_EQ(m.attachments.size(), 2u);
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachContentLocation), "http://x.org/logo.png");
    EXPECT_EQ(num(m.attachments[0].props, tag::kAttachFlags), 4);
    EXPECT_EQ(num(m.attachments[1].props, tag::kAttachFlags), 0);
}

TEST(InlineImages, AllHiddenSetsSmartNoAttach) {
    const auto m = importText(
        "Content-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:only@x\">\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-ID: <only@x>\r\n\r\nPNG\r\n--r--\r\n");
    const auto* smart = m.props.getNamed(mapi::named::kSmartNoAttach);
    ASSERT_NE(smart, nullptr);
    EXPECT_TRUE(smart->asBool());
}

// §3.4 message/rfc822 and message/global become embedded messages, recursively.
TEST(EmbeddedMessages, PlainAndBase64AndGlobal) {
    const auto m = importText(
        "Subject: outer\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nouter body\r\n"
        "--b\r\nContent-Type: message/rfc822\r\n\r\n"
        "Subject: =?UTF-8?Q?inn=C3=A9r?=\r\nFrom: in@x.org\r\nTo: you@x.org\r\n"
        "Content-Type: multipart/mixed; boundary=c\r\n\r\n"
        "--c\r\nContent-Type: text/plain\r\n\r\ninner body\r\n"
        "--c\r\nContent-Type: application/zip; name=z.zip\r\n\r\nPK\r\n--c--\r\n"
        "--b\r\nContent-Type: message/rfc822\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "U3ViamVjdDogZW5jb2RlZAoKZW5jb2RlZCBib2R5Cg==\r\n"
        "--b\r\nContent-Type: message/global\r\n\r\n"
        "Subject: \xE5\x85\xA8\xE7\x90\x83\r\n\r\nglobal body\r\n"
        "--b--\r\n");
    ASSERT_EQ(m.attachments.size(), 3u);
    const auto& a = m.attachments[0];
    EXPECT_EQ(num(a.props, tag::kAttachMethod), 5);
    EXPECT_EQ(str(a.props, tag::kAttachMimeTag), "message/rfc822");
    EXPECT_EQ(str(a.props, tag::kDisplayName), "innér");
    EXPECT_FALSE(a.props.has(tag::kAttachDataBinary));
    ASSERT_TRUE(a.embedded);
    EXPECT_EQ(str(a.embedded->props, tag::kSubject), "innér");
    EXPECT_EQ(str(a.embedded->props, tag::kBody), "inner body");
    ASSERT_EQ(a.embedded->recipients.size(), 1u);
    ASSERT_EQ(a.embedded->attachments.size(), 1u);
    EXPECT_EQ(str(a.embedded->attachments[0].props, tag::kAttachLongFilename), "z.zip");
    ASSERT_TRUE(m.attachments[1].embedded);
    EXPECT_EQ(str(m.attachments[1].embedded->props, tag::kSubject), "encoded");
    EXPECT_EQ(str(m.attachments[1].embedded->props, tag::kBody), "encoded body\r\n");
    ASSERT_TRUE(m.attachments[2].embedded);
    EXPECT_EQ(str(m.attachments[2].props, tag::kAttachMimeTag), "message/global");
    EXPECT_EQ(str(m.attachments[2].embedded->props, tag::kSubject), "全球");
}

TEST(EmbeddedMessages, DepthCapTurnsDeeperOnesIntoEmlFiles) {
    // 40 levels of message/rfc822; levels 1..32 embedded, level 33 an .eml file.
    std::string eml = "Subject: level 40\r\n\r\ninnermost\r\n";
    for (int level = 39; level >= 0; --level) {
        eml = "Subject: level " + std::to_string(level) +
              "\r\nContent-Type: message/rfc822\r\n\r\n" + eml;
    }
    const auto m = importText(eml);
    const mapi::Message* cur = &m;
    int depth = 0;
    while (!cur->attachments.empty() && cur->attachments[0].embedded) {
        cur = cur->attachments[0].embedded.get();
        ++depth;
    }
    EXPECT_EQ(depth, 32);
    EXPECT_EQ(str(cur->props, tag::kSubject), "level 32");
    ASSERT_EQ(cur->attachments.size(), 1u);
    const auto& eml33 = cur->attachments[0].props;
    EXPECT_EQ(num(eml33, tag::kAttachMethod), 1);
    EXPECT_EQ(str(eml33, tag::kAttachLongFilename), "level 33.eml");
    EXPECT_EQ(str(eml33, tag::kAttachMimeTag), "message/rfc822");
    const std::string data = bin(eml33, tag::kAttachDataBinary);
    EXPECT_NE(data.find("Subject: level 33"), std::string::npos);
    EXPECT_NE(data.find("innermost"), std::string::npos);
}

// §3.6 S/MIME: clear-signed keeps the signed entity byte for byte as smime.p7m.
TEST(Smime, ClearSignedKeepsEntityByteForByte) {
    const std::string signedEntity =
        "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\";\r\n"
        "\tmicalg=sha-256; boundary=\"sig\"\r\n"
        "\r\nThis is an S/MIME signed message\r\n\r\n"
        "--sig\r\nContent-Type: multipart/mixed; boundary=in\r\n\r\n"
        "--in\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nsigned  text \r\n"
        "--in\r\nContent-Type: image/png; name=a.png\r\n\r\nPNG\r\n--in--\r\n"
        "\r\n--sig\r\nContent-Type: application/pkcs7-signature; name=smime.p7s\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nMIAGCSqGSIb3DQEHAqCAMIACAQEx\r\n\r\n--sig--\r\n";
    const auto m =
        importText("From: s@x.org\r\nSubject: signed\r\nMIME-Version: 1.0\r\n" + signedEntity);
    EXPECT_EQ(str(m.props, tag::kMessageClass), "IPM.Note.SMIME.MultipartSigned");
    EXPECT_EQ(str(m.props, tag::kBody), "signed  text ");
    ASSERT_EQ(m.attachments.size(), 1u);
    const auto& p = m.attachments[0].props;
    EXPECT_EQ(str(p, tag::kAttachLongFilename), "smime.p7m");
    EXPECT_EQ(str(p, tag::kAttachMimeTag), "multipart/signed");
    EXPECT_EQ(bin(p, tag::kAttachDataBinary), signedEntity);
}

// With no empty line after the fields the entity cannot be cut from the file, and is written
// out from its parse instead: its own Content- fields, none of the message's.
TEST(Smime, ClearSignedWithNoEmptyLineAfterTheFieldsKeepsOnlyTheEntitysFields) {
    const auto m = importText(
        "From: s@x.org\r\nSubject: signed\r\nX-Note: kept out\r\n"
        "Content-Type: multipart/signed; protocol=\"application/pkcs7-signature\";\r\n"
        "\tboundary=\"sig\"\r\nX-Late: also out\r\n"
        "--sig\r\nContent-Type: text/plain\r\n\r\nsigned text\r\n"
        "--sig\r\nContent-Type: application/pkcs7-signature\r\n\r\nMIAG\r\n--sig--\r\n");
    EXPECT_EQ(str(m.props, tag::kMessageClass), "IPM.Note.SMIME.MultipartSigned");
    EXPECT_EQ(str(m.props, tag::kSubject), "signed");
    ASSERT_EQ(m.attachments.size(), 1u);
    const std::string entity = bin(m.attachments[0].props, tag::kAttachDataBinary);
    EXPECT_TRUE(entity.starts_with("Content-Type: multipart/signed;")) << entity;
    EXPECT_NE(entity.find("boundary=\"sig\""), std::string::npos) << entity;
    EXPECT_NE(entity.find("signed text"), std::string::npos) << entity;
    for (const char* field : {"From:", "Subject:", "X-Note:", "X-Late:"}) {
        EXPECT_EQ(entity.find(field), std::string::npos) << field << " in " << entity;
    }
}

TEST(Smime, OpaqueIsOneAttachmentAndNoBody) {
    const auto m = importText(
        "Subject: secret\r\nContent-Type: application/pkcs7-mime; smime-type=enveloped-data;\r\n"
        " name=smime.p7m\r\nContent-Transfer-Encoding: base64\r\n\r\nMIAGCSqGSIb3\r\n");
    EXPECT_EQ(str(m.props, tag::kMessageClass), "IPM.Note.SMIME");
    EXPECT_FALSE(m.props.has(tag::kBody));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(str(m.attachments[0].props, tag::kAttachLongFilename), "smime.p7m");
    EXPECT_EQ(bin(m.attachments[0].props, tag::kAttachDataBinary),
              std::string("\x30\x80\x06\x09\x2a\x86\x48\x86\xf7", 9));
    const auto* ct = m.props.getNamed(mapi::named::kContentType);
    ASSERT_NE(ct, nullptr);
    EXPECT_EQ(ct->asString(), "application/pkcs7-mime; smime-type=enveloped-data; name=smime.p7m");

    const auto named = importText(
        "Content-Type: application/octet-stream\r\nContent-Disposition: attachment;"
        " filename=msg.p7m\r\n\r\nXX\r\n");
    EXPECT_EQ(str(named.props, tag::kMessageClass), "IPM.Note.SMIME");
    ASSERT_EQ(named.attachments.size(), 1u);
    EXPECT_EQ(str(named.attachments[0].props, tag::kAttachLongFilename), "msg.p7m");
}

// Only a PKCS #7 signature makes a clear-signed S/MIME message; PGP/MIME (RFC 3156) and any
// other protocol is an ordinary multipart: the body from the signed part, the signature an
// ordinary attachment.
TEST(Smime, OnlyPkcs7SignaturesAreSmime) {
    const auto signedBy = [](const std::string& protocol, const std::string& signatureType) {
        return importText("Subject: signed\r\nContent-Type: multipart/signed; protocol=\"" +
                          protocol +
                          "\";\r\n micalg=pgp-sha256; boundary=sig\r\n\r\n"
                          "--sig\r\nContent-Type: text/plain\r\n\r\nsigned text\r\n"
                          "--sig\r\nContent-Type: " +
                          signatureType +
                          "; name=signature.asc\r\n\r\n-----BEGIN PGP SIGNATURE-----\r\n"
                          "--sig--\r\n");
    };
    const auto pgp = signedBy("application/pgp-signature", "application/pgp-signature");
    EXPECT_EQ(str(pgp.props, tag::kMessageClass), "IPM.Note");
    EXPECT_EQ(str(pgp.props, tag::kBody), "signed text");
    ASSERT_EQ(pgp.attachments.size(), 1u);
    EXPECT_EQ(str(pgp.attachments[0].props, tag::kAttachLongFilename), "signature.asc");
    EXPECT_EQ(str(pgp.attachments[0].props, tag::kAttachMimeTag), "application/pgp-signature");
    EXPECT_EQ(bin(pgp.attachments[0].props, tag::kAttachDataBinary),
              "-----BEGIN PGP SIGNATURE-----");

    for (const char* pkcs7 : {"application/x-pkcs7-signature", "Application/PKCS7-Signature"}) {
        const auto smime = signedBy(pkcs7, "application/pkcs7-signature");
        EXPECT_EQ(str(smime.props, tag::kMessageClass), "IPM.Note.SMIME.MultipartSigned") << pkcs7;
        ASSERT_EQ(smime.attachments.size(), 1u);
        EXPECT_EQ(str(smime.attachments[0].props, tag::kAttachLongFilename), "smime.p7m");
    }
    // No protocol at all (RFC 1847 requires one): the signature part's own type decides.
    const auto bare = importText(
        "Content-Type: multipart/signed; boundary=sig\r\n\r\n--sig\r\n\r\ntext\r\n"
        "--sig\r\nContent-Type: application/pkcs7-signature\r\n\r\nMIA\r\n--sig--\r\n");
    EXPECT_EQ(str(bare.props, tag::kMessageClass), "IPM.Note.SMIME.MultipartSigned");
}

// An attached message's row: method 5, AttachFlags 0, and a name to show even when the
// message has no subject: its file name, else one made up.
TEST(EmbeddedMessages, RowShowsANameWithoutASubject) {
    const auto m = importText(
        "Subject: fwd\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\n\r\nsee the two\r\n"
        "--b\r\nContent-Type: message/rfc822; name=\"forwarded.eml\"\r\n\r\n"
        "Subject:\r\nFrom: a@x.org\r\n\r\nno subject\r\n"
        "--b\r\nContent-Type: message/rfc822\r\n\r\nFrom: b@x.org\r\n\r\nnone either\r\n"
        "--b--\r\n");
    ASSERT_EQ(m.attachments.size(), 2u);
    for (const auto& a : m.attachments) {
        EXPECT_EQ(num(a.props, tag::kAttachMethod), 5);
        EXPECT_EQ(num(a.props, tag::kAttachFlags), 0);
        ASSERT_TRUE(a.embedded);
        EXPECT_EQ(str(a.embedded->props, tag::kSubject), "");
    }
    EXPECT_EQ(str(m.attachments[0].props, tag::kDisplayName), "forwarded.eml");
    EXPECT_EQ(str(m.attachments[1].props, tag::kDisplayName), "ATT00001.eml");
}

// Large attachments stream to a spool file that goes away with the last holder.
TEST(LargeAttachments, SpooledToTempFileAndRemovedAfterUse) {
    std::string b64;
    const std::string line = "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5";
    while (b64.size() < 9 * 1024 * 1024)
        b64 += line + "\r\n";
    std::filesystem::path spool;
    std::uint64_t expectedSize = b64.size() / (line.size() + 2) * 51;
    {
        const auto m =
            importText(withAttachment("Content-Type: application/octet-stream; name=big.bin\r\n"
                                      "Content-Transfer-Encoding: base64\r\n",
                                      b64));
        ASSERT_EQ(m.attachments.size(), 1u);
        const auto* data = m.attachments[0].props.get(tag::kAttachDataBinary);
        ASSERT_NE(data, nullptr);
        ASSERT_TRUE(data->isStream());
        const auto* file = dynamic_cast<const mapi::FileByteSource*>(data->asStream().get());
        ASSERT_NE(file, nullptr);
        spool = file->path();
        // Compared as folders: Windows gives the temporary folder with a trailing separator.
        EXPECT_EQ(spool.parent_path(),
                  (std::filesystem::temp_directory_path() / "spool").parent_path());
        EXPECT_TRUE(std::filesystem::exists(spool));
        EXPECT_EQ(data->binarySize(), expectedSize);
        auto reader = data->asStream()->open();
        std::uint8_t head[8];
        ASSERT_EQ(reader->read(head), 8u);
        EXPECT_EQ(std::string(head, head + 8), "ABCDEFGH");
    }
    EXPECT_FALSE(std::filesystem::exists(spool));
}

// GMime's filter leaves out a last group cut short; the spooled file gets its bytes too.
TEST(LargeAttachments, ASpooledAttachmentKeepsATruncatedLastGroup) {
    std::string b64;
    const std::string line = "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVphYmNkZWZnaGlqa2xtbm9wcXJzdHV2d3h5";
    while (b64.size() < 9 * 1024 * 1024)
        b64 += line + "\r\n";
    const std::uint64_t whole = b64.size() / (line.size() + 2) * 51;
    for (const auto& [cut, kept] : {std::pair{"RA", "D"}, std::pair{"REU", "DE"}}) {
        const auto m =
            importText(withAttachment("Content-Type: application/octet-stream; name=big.bin\r\n"
                                      "Content-Transfer-Encoding: base64\r\n",
                                      b64 + cut));
        ASSERT_EQ(m.attachments.size(), 1u) << cut;
        const auto* data = m.attachments[0].props.get(tag::kAttachDataBinary);
        ASSERT_NE(data, nullptr);
        ASSERT_TRUE(data->isStream());
        const std::vector<std::uint8_t> bytes = data->asStream()->readAll();
        ASSERT_EQ(bytes.size(), whole + std::strlen(kept)) << cut;
        EXPECT_EQ(std::string(bytes.end() - 3 - std::strlen(kept), bytes.end()),
                  std::string("wxy") + kept)
            << cut;
    }
}

TEST(LargeAttachments, LargeEncodedMessageIsParsedFromASpool) {
    std::string blob(5 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<char>(i * 7 + i / 251);
    const std::string inner =
        "Subject: big inner\r\nContent-Type: multipart/mixed; boundary=i\r\n\r\n"
        "--i\r\n\r\ninner text\r\n--i\r\nContent-Type: application/octet-stream; name=b.bin\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        base64Encode(blob) + "\r\n--i--\r\n";
    const auto m = importText(
        withAttachment("Content-Type: message/rfc822\r\nContent-Transfer-Encoding: base64\r\n",
                       base64Encode(inner)));
    ASSERT_EQ(m.attachments.size(), 1u);
    ASSERT_TRUE(m.attachments[0].embedded);
    const auto& e = *m.attachments[0].embedded;
    EXPECT_EQ(str(e.props, tag::kSubject), "big inner");
    EXPECT_EQ(str(e.props, tag::kBody), "inner text");
    ASSERT_EQ(e.attachments.size(), 1u);
    EXPECT_EQ(bin(e.attachments[0].props, tag::kAttachDataBinary), blob);
}

// Values stay in memory only while the message's allowance lasts; the rest is spooled, and
// reads back the same.
TEST(LargeAttachments, PastTheMessageBudgetValuesAreSpooled) {
    const std::string data(30000, 'a');
    const std::string part =
        "Content-Type: application/octet-stream; name=a.bin\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n" +
        base64Encode(data) + "\r\n";
    const std::string eml =
        "Subject: s\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n--b\r\n" +
        part + "--b\r\n" + part + "--b\r\n" + part + "--b--\r\n";
    g_mime_init();
    GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(eml.data(), eml.size()));
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    ASSERT_TRUE(message);

    // 40,000 encoded bytes each: two fit in 95,000, the third does not.
    MessageImporter importer(nullptr, OutsideFacts{}, InMemoryBudget(95000));
    const auto m = importer.import(message.get(), 0, nullptr);
    ASSERT_EQ(m.attachments.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto* value = m.attachments[i].props.get(tag::kAttachDataBinary);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->isStream(), i == 2) << "attachment " << i;
        EXPECT_EQ(bin(m.attachments[i].props, tag::kAttachDataBinary), data) << "attachment " << i;
    }
}

}  // namespace
}  // namespace tolvane::mime::test
