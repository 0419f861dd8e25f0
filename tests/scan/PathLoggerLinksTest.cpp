#include "scan/PathLogger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScanResults.h"
#include "TempTree.h"

namespace tolvane {
namespace {

using scan::test::itemsOf;
using scan::test::TempTree;
using Strings = std::vector<std::string>;

struct Scan {
    Strings folders;
    Strings files;
};

Scan scan(const std::string& top) {
    pathLogger scanner;
    scanner.PathLogInit();
    scanner.LogPath(top);
    return {itemsOf(*scanner.pathNames()), itemsOf(*scanner.fullFileNames())};
}

TEST(PathLoggerLinks, LinksBackIntoTheTreeEndTheWalk) {
    TempTree tree;
    tree.file("a.eml");
    tree.file("A/x.eml");
    tree.link("A/back", tree.root());
    tree.link("A/self", ".");
    tree.link("A/up", "..");
    const std::string top = tree.root() + "/";
    const Scan result = scan(top);
    EXPECT_EQ(result.folders, (Strings{top, top + "A/"}));
    EXPECT_EQ(result.files, (Strings{top + "a.eml", top + "A/x.eml"}));
}

TEST(PathLoggerLinks, LinkToAFolderOutsideIsWalkedLikeAnyFolder) {
    TempTree tree;
    TempTree outside;
    tree.file("a.eml");
    outside.file("o.eml");
    outside.file("inner/i.eml");
    tree.link("ext", outside.root());
    const std::string top = tree.root() + "/";
    const Scan result = scan(top);
    EXPECT_EQ(result.folders, (Strings{top, top + "ext/", top + "ext/inner/"}));
    EXPECT_EQ(result.files, (Strings{top + "a.eml", top + "ext/o.eml", top + "ext/inner/i.eml"}));
}

TEST(PathLoggerLinks, AFolderReachedTwiceIsWalkedOnceWhereFirstReached) {
    TempTree tree;
    TempTree outside;
    outside.file("o.eml");
    tree.link("l1", outside.root());
    tree.link("l2", outside.root());
    tree.file("Z/z.eml");
    tree.link("0link", tree.path("Z"));  // sorts before Z, so reaches it first
    const std::string top = tree.root() + "/";
    const Scan result = scan(top);
    EXPECT_EQ(result.folders, (Strings{top, top + "0link/", top + "l1/"}));
    EXPECT_EQ(result.files, (Strings{top + "0link/z.eml", top + "l1/o.eml"}));
}

TEST(PathLoggerLinks, TopFolderGivenThroughALinkIsWalked) {
    TempTree tree;
    TempTree elsewhere;
    tree.file("real/a.eml");
    elsewhere.link("top", tree.path("real"));
    const Scan result = scan(elsewhere.path("top"));
    EXPECT_EQ(result.files, (Strings{elsewhere.path("top/a.eml")}));
}

}  // namespace
}  // namespace tolvane
