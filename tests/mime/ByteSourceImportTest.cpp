// A message whose bytes another reader holds (an archive's entry, in memory or in a spool
// file) imports exactly as a file of the same bytes, and errors name it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "ImportHelpers.h"
#include "mapi/ByteSource.h"
#include "mapi/Tags.h"
#include "mime/MessageFile.h"
#include "platform/AppError.h"
#include "platform/FileStamp.h"

namespace tolvane::mime::test {
namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::int64_t modifiedTime(const std::filesystem::path& path) {
    return MessageFile(path).modifiedTime();
}

// The import keeps the stamp of the file it opened, in the queue's own terms, so a job can
// tell a file changed since it was queued without looking again; bytes from elsewhere have none.
TEST(ByteSourceImport, AFileImportCarriesTheStampAQueueTakesOfTheFile) {
    const std::filesystem::path path = std::filesystem::path(TOLVANE_MIME_DAMAGED) / "notes.eml";
    const mapi::Message fromFile = importEml(path);
#ifndef _WIN32
    ASSERT_TRUE(fromFile.readStamp.has_value());
    EXPECT_EQ(fromFile.readStamp, stampOf(path.string()));
#else
    EXPECT_FALSE(fromFile.readStamp.has_value());
#endif
    const mapi::MemoryByteSource memory(fileBytes(path));
    EXPECT_FALSE(importMessage(memory, "notes.eml", modifiedTime(path)).readStamp.has_value());
}

TEST(ByteSourceImport, SameMessageAsTheFileOfTheSameBytes) {
    std::size_t compared = 0;
    for (const char* folder : {TOLVANE_MIME_DAMAGED, TOLVANE_MIME_CORPUS}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const auto& path = entry.path();
            const std::string fromFile = describe(importEml(path));
            const mapi::MemoryByteSource memory(fileBytes(path));
            EXPECT_EQ(describe(importMessage(memory, path.filename().string(), modifiedTime(path))),
                      fromFile)
                << path;
            const mapi::FileByteSource spool(path, false);
            EXPECT_EQ(describe(importMessage(spool, path.filename().string(), modifiedTime(path))),
                      fromFile)
                << path;
            ++compared;
        }
    }
    EXPECT_GE(compared, 35u);
}

// The raw header block and the signed entity come from the source as they come from a file.
TEST(ByteSourceImport, RawHeaderBlockAndSignedEntityFromTheSource) {
    const std::string eml =
        "From: ann@example.org\r\nSubject: signed\r\nContent-Type: multipart/signed;\r\n"
        " protocol=\"application/pkcs7-signature\"; boundary=b\r\n\r\n"
        "--b\r\nContent-Type: text/plain\r\n\r\nsigned text\r\n"
        "--b\r\nContent-Type: application/pkcs7-signature\r\n\r\nSIG\r\n--b--\r\n";
    const mapi::MemoryByteSource memory(std::vector<std::uint8_t>(eml.begin(), eml.end()));
    const auto m = importMessage(memory, "signed.eml");
    EXPECT_EQ(str(m.props, mapi::tag::kTransportMessageHeaders),
              eml.substr(0, eml.find("\r\n\r\n") + 2));
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(bin(m.attachments[0].props, mapi::tag::kAttachDataBinary),
              eml.substr(eml.find("Content-Type: multipart/signed")));
    // No time given and no header dates it: no made-up date.
    EXPECT_FALSE(m.props.has(mapi::tag::kClientSubmitTime));
}

// Past 64 MiB an input is parsed where it lies, a file or a spool file, its header block
// found in pieces; here one that starts with junk and has no empty line after its fields.
TEST(ByteSourceImport, LargeInputsAreParsedInPlace) {
    const auto path = std::filesystem::temp_directory_path() / "mime-test-large.eml";
    const std::string line(76, 'A');
    const std::size_t lines = (std::size_t{65} << 20) / (line.size() + 2);
    {
        std::ofstream out(path, std::ios::binary);
        out << " junk before the fields\r\nSubject: large\r\n"
               "Content-Type: multipart/mixed; boundary=b\r\n--b\r\n\r\nbody\r\n"
               "--b\r\nContent-Type: application/octet-stream; name=zeros.bin\r\n"
               "Content-Transfer-Encoding: base64\r\n\r\n";
        for (std::size_t i = 0; i < lines; ++i)
            out << line << "\r\n";
        out << "--b--\r\n";
    }
    const mapi::FileByteSource spool(path, true);
    for (const auto& m : {importEml(path), importMessage(spool, "large.eml")}) {
        EXPECT_EQ(str(m.props, mapi::tag::kSubject), "large");
        EXPECT_EQ(str(m.props, mapi::tag::kTransportMessageHeaders),
                  " junk before the fields\r\nSubject: large\r\n"
                  "Content-Type: multipart/mixed; boundary=b\r\n");
        EXPECT_EQ(str(m.props, mapi::tag::kBody), "body");
        ASSERT_EQ(m.attachments.size(), 1u);
        const auto* data = m.attachments[0].props.get(mapi::tag::kAttachDataBinary);
        ASSERT_TRUE(data && data->isStream());
        EXPECT_EQ(data->binarySize(), lines * line.size() / 4 * 3);
    }
}

TEST(ByteSourceImport, EmptyAndVanishedInputsAreNamed) {
    try {
        importMessage(mapi::MemoryByteSource({}), "archive.tgz/Inbox/empty.eml");
        ADD_FAILURE() << "an empty input imported";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 62);
        EXPECT_EQ(e.description(), "cannot import archive.tgz/Inbox/empty.eml: the file is empty");
    }
    const auto gone = std::filesystem::temp_directory_path() / "mime-test-vanished.eml";
    { std::ofstream(gone) << "Subject: s\r\n\r\nx\r\n"; }
    const mapi::FileByteSource spool(gone, false);
    std::filesystem::remove(gone);
    try {
        importMessage(spool, "archive.tgz/Inbox/gone.eml");
        ADD_FAILURE() << "a vanished spool file imported";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 75);
        EXPECT_EQ(e.description().rfind("cannot read archive.tgz/Inbox/gone.eml: ", 0), 0u)
            << e.description();
    }
}

}  // namespace
}  // namespace tolvane::mime::test
