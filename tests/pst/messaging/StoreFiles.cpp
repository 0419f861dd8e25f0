#include "StoreFiles.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <random>

#include "mapi/Tags.h"

namespace tolvane::pst::testing {

namespace fs = std::filesystem;

void StoreFiles::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::random_device random;
    dir_ = fs::temp_directory_path() /
           ("tolvane-store-" + std::string(info->name()) + "-" + std::to_string(random()));
    fs::create_directories(dir_);
}

void StoreFiles::TearDown() {
    if (!HasFailure()) {
        fs::remove_all(dir_);
    } else {
        std::printf("files kept in %s\n", dir_.c_str());
    }
}

int StoreFiles::run(const std::string& command, std::string& output) const {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        return -1;
    }
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void StoreFiles::expectReadersSee(const fs::path& pst, const std::string& expected) const {
    const fs::path expectedPath = pst.string() + ".expected.json";
    std::ofstream(expectedPath) << expected;
    std::string output;
    const int code =
        run(std::string(TOLVANE_READERS_PYTHON) +
                " " TOLVANE_TEST_ROOT "/support/pst_readers.py compare --timeout 600 '" +
                pst.string() + "' '" + expectedPath.string() + "'",
            output);
    EXPECT_EQ(code, 0) << output.substr(0, 8000);
}

void StoreFiles::expectCheckerPasses(const fs::path& pst) const {
    std::string output;
    EXPECT_EQ(run(std::string(TOLVANE_PSTCHECK) + " --strict '" + pst.string() + "'", output), 0)
        << output.substr(0, 8000);
}

std::string StoreFiles::sha256(const mapi::Bytes& bytes) const {
    const fs::path data = dir_ / "sha256.bin";
    std::ofstream(data, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    std::string output;
    EXPECT_EQ(run("sha256sum '" + data.string() + "'", output), 0);
    fs::remove(data);
    return output.substr(0, 64);
}

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

mapi::Message mailMessage(const std::string& subject, const std::string& body, bool read) {
    using mapi::PropValue;
    namespace tag = mapi::tag;
    mapi::Message m;
    m.props.set(tag::kMessageClass, PropValue::unicode("IPM.Note"));
    m.props.set(tag::kSubject, PropValue::unicode(subject));
    m.props.set(tag::kBody, PropValue::unicode(body));
    m.props.set(tag::kMessageFlags, PropValue::int32(read ? tag::kMsgFlagRead : 0));
    m.props.set(tag::kClientSubmitTime,
                PropValue::time(mapi::FileTime::fromUnixSeconds(1700000000)));
    m.props.set(tag::kMessageDeliveryTime,
                PropValue::time(mapi::FileTime::fromUnixSeconds(1700000060)));
    m.props.set(tag::kSenderName, PropValue::unicode("Ann Sender"));
    m.props.set(tag::kSentRepresentingName, PropValue::unicode("Ann Sender"));
    m.props.set(tag::kSenderEmailAddress, PropValue::unicode("ann@example.org"));
    m.props.set(0x0C1E, PropValue::unicode("SMTP"));             // PidTagSenderAddressType
    m.props.set(0x0065, PropValue::unicode("ann@example.org"));  // sent-representing address
    m.props.set(0x0064, PropValue::unicode("SMTP"));
    m.props.set(0x0E04, PropValue::unicode("Bob Receiver"));  // PidTagDisplayTo
    mapi::Recipient to;
    to.props.set(tag::kRecipientType, PropValue::int32(1));
    to.props.set(tag::kDisplayName, PropValue::unicode("Bob Receiver"));
    to.props.set(tag::kEmailAddress, PropValue::unicode("bob@example.org"));
    to.props.set(tag::kAddressType, PropValue::unicode("SMTP"));
    to.props.set(0x39FE, PropValue::unicode("bob@example.org"));  // PidTagSmtpAddress
    m.recipients.push_back(std::move(to));
    return m;
}

void flagAttachments(mapi::Message& message) {
    if (message.attachments.empty()) {
        return;
    }
    const mapi::PropValue* flags = message.props.get(mapi::tag::kMessageFlags);
    message.props.set(
        mapi::tag::kMessageFlags,
        mapi::PropValue::int32((flags ? flags->asInt32() : 0) | mapi::tag::kMsgFlagHasAttach));
    for (auto& attachment : message.attachments) {
        if (attachment.embedded) {
            flagAttachments(*attachment.embedded);
        }
    }
}

}  // namespace tolvane::pst::testing
