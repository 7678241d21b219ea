#include "sequences/FrameListing.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(FrameListing, FolderThatCannotBeListedGivesNone) {
    testing::TemporaryDeviceRoot root;
    EXPECT_FALSE(listSequenceFolder("var/missing/"));
    root.writeFile("var/file", std::string_view("x"));
    EXPECT_FALSE(listSequenceFolder("var/file/"));
}

TEST(FrameListing, OnlyNamesEndingInLowerCasePngAreFrames) {
    EXPECT_TRUE(isFrameName("frame1.png"));
    EXPECT_TRUE(isFrameName("archive.tar.png"));
    EXPECT_TRUE(isFrameName(".png"));
    EXPECT_FALSE(isFrameName("FRAME1.PNG"));
    EXPECT_FALSE(isFrameName("frame1.Png"));
    EXPECT_FALSE(isFrameName("frame1.png.bak"));
    EXPECT_FALSE(isFrameName("options.json"));
    EXPECT_FALSE(isFrameName("png"));
    EXPECT_FALSE(isFrameName("frame1.png "));
    EXPECT_EQ(pathExtension("a.b.c"), "c");
    EXPECT_EQ(pathExtension("trailing."), "");
}

TEST(FrameListing, ListsEntriesByNameAndKeepsFramesInListingOrder) {
    testing::TemporaryDeviceRoot root;
    const std::string folder = "var/jb/vod/Library/Velorin/chargingSequences/test/";
    for (const char* name : {"frame2.png", "frame1.png", "FRAME3.PNG", "options.json"})
        root.writeFile(folder + name, std::string_view("x"));
    // Subfolders are judged by their name alone and never entered.
    root.makeFolder(folder + "extras");
    root.makeFolder(folder + "folder.png");
    root.writeFile(folder + "extras/frame9.png", std::string_view("x"));

    auto listing = listSequenceFolder(folder);
    ASSERT_TRUE(listing);
    EXPECT_EQ(*listing, (std::vector<std::string>{"FRAME3.PNG", "extras", "folder.png",
                                                  "frame1.png", "frame2.png", "options.json"}));
    EXPECT_EQ(filterFrameNames(*listing),
              (std::vector<std::string>{"folder.png", "frame1.png", "frame2.png"}));
}

} // namespace
} // namespace velorin
