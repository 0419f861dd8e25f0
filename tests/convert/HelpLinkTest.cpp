#include "convert/HelpLink.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tolvane::convert {
namespace {

TEST(HelpLink, FileUrlsEncodeEverythingButUnreservedCharacters) {
    EXPECT_EQ(fileUrl("/opt/My Help/help.html", "troubleshooting"),
              "file:///opt/My%20Help/help.html#troubleshooting");
    EXPECT_EQ(fileUrl("/srv/\u00e9t\u00e9#1/a.html", ""), "file:///srv/%C3%A9t%C3%A9%231/a.html");
}

TEST(HelpLink, TheTroubleshootingLinkPointsAtAnExistingHelpManual) {
    const std::string url = troubleshootingUrl();
    const std::string suffix = "help.html#troubleshooting";
    ASSERT_GT(url.size(), suffix.size());
    EXPECT_EQ(url.substr(url.size() - suffix.size()), suffix);
    ASSERT_EQ(url.rfind("file://", 0), 0u);
    // No test path needs decoding: the build tree's path is plain.
    const std::string file = url.substr(7, url.size() - 7 - std::string("#troubleshooting").size());
    EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;
}

}  // namespace
}  // namespace tolvane::convert
