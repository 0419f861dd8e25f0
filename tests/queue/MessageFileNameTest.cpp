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

TEST(MessageFileName, TheQueueTakesZimbrasExportArchivesToo) {
    for (const char* path :
         {"/m/a.eml", "/m/export.tgz", "/m/Export.TAR.GZ", "C:\\m\\x.tar ", "/m/x.Zip"}) {
        EXPECT_TRUE(IsQueueableFile(path)) << path;
    }
    for (const char* path : {"/m/x.gz", "/m/x.tar.bz2", "/m/x.zip.part", "/m/x.eml.meta", ""}) {
        EXPECT_FALSE(IsQueueableFile(path)) << path;
    }
    EXPECT_FALSE(IsMessageFile("/m/export.tgz"));
}

}  // namespace
}  // namespace tolvane::queue
