#include <gtest/gtest.h>

#include "queue/MessageFileName.h"

namespace tolvane::queue {
namespace {

TEST(MessageFileName, EndsInEmlWhateverTheCase) {
    EXPECT_TRUE(IsMessageFile("/m/a.eml"));
    EXPECT_TRUE(IsMessageFile("/m/B.EML"));
    EXPECT_TRUE(IsMessageFile("C:\\m\\c.Eml"));
    EXPECT_TRUE(IsMessageFile("/m/.eml"));
    EXPECT_TRUE(IsMessageFile(".eml"));
    EXPECT_TRUE(IsMessageFile("/m/\xC3\xA9t\xC3\xA9.eml"));
}

TEST(MessageFileName, SpacesAtEitherEndAreIgnored) {
    EXPECT_TRUE(IsMessageFile("/m/a.eml   "));
    EXPECT_TRUE(IsMessageFile("  /m/a.EML "));
}

TEST(MessageFileName, OtherEndingsAreNotMessages) {
    EXPECT_FALSE(IsMessageFile("/m/x.eml.bak"));
    EXPECT_FALSE(IsMessageFile("/m/c.txt"));
    EXPECT_FALSE(IsMessageFile("/m/a.emlx"));
    EXPECT_FALSE(IsMessageFile("/m/aeml"));
    EXPECT_FALSE(IsMessageFile("/m/a.em l"));
    EXPECT_FALSE(IsMessageFile("/m/a.eml\t"));
    EXPECT_FALSE(IsMessageFile("eml"));
    EXPECT_FALSE(IsMessageFile("    "));
    EXPECT_FALSE(IsMessageFile(""));
}

}  // namespace
}  // namespace tolvane::queue
