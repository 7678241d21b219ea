// The folders that used to mislead `velorin-sim check`, through the built program: each gets
// the verdict and severities it deserves, exit status 1 only for errors (or, with --strict,
// for warnings too), and the same severities in --json.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/TestMedia.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

using KindAndSeverity = std::pair<std::string, std::string>;

struct MisleadingFolder {
    std::string name;
    std::function<void(const fs::path&)> layOut;
    std::vector<KindAndSeverity> problems;
    int status;
    int strictStatus;
};

void framesWithOptions(const fs::path& folder, const std::string& optionsData) {
    testing::writeFrames(folder, testing::numberedFrameNames("frame", 1, 3));
    testing::writeBytes(folder / "options.json",
                        testing::testData("tools/check/data/" + optionsData));
}

const std::vector<MisleadingFolder>& misleadingFolders() {
    static const std::vector<MisleadingFolder> folders{
        {"one animated PNG of 30 frames",
         [](const fs::path& folder) {
             fs::create_directories(folder);
             testing::writeAnimatedPng(folder / "spin.png",
                                       testing::coloredFrames(30, 40, 300, 300));
         },
         {{"animated-png", "error"}},
         1,
         1},
        {"a trailing comma in options.json",
         [](const fs::path& folder) { framesWithOptions(folder, "trailing-comma.json"); },
         {{"invalid-json", "error"}},
         1,
         1},
        {"misspelt members",
         [](const fs::path& folder) { framesWithOptions(folder, "misspelt-members.json"); },
         {{"unknown-member", "error"}, {"unknown-member", "error"}},
         1,
         1},
        {"resource-fork files beside the frames",
         [](const fs::path& folder) {
             testing::writeFrames(folder, testing::numberedFrameNames("frame", 1, 30));
             for (const auto& name : testing::numberedFrameNames("._frame", 1, 30))
                 testing::writeBytes(folder / name, std::string("\0\x05\x16\x07", 4) + "Mac OS X");
         },
         {{"not-png", "error"}},
         1,
         1},
        {"Untitled-1.png to Untitled-60.png",
         [](const fs::path& folder) {
             testing::writeFrames(folder, testing::numberedFrameNames("Untitled-", 1, 60));
         },
         {{"window-cut", "warning"}},
         0,
         1},
        {"a1.png to a12.png",
         [](const fs::path& folder) {
             testing::writeFrames(folder, testing::numberedFrameNames("a", 1, 12));
         },
         {{"order-differs", "error"}},
         1,
         1},
        {"frames at 10 times the box",
         [](const fs::path& folder) {
             testing::writeFrames(folder, testing::numberedFrameNames("frame", 1, 3), 900, 900);
             testing::writeBytes(folder / "options.json", R"({"width": 30, "height": 30})");
         },
         {{"larger-than-shown", "warning"}},
         0,
         1},
        {"frames of other proportions than the box",
         [](const fs::path& folder) {
             testing::writeFrames(folder, testing::numberedFrameNames("frame", 1, 3), 600, 300);
         },
         {{"other-proportions", "warning"}},
         0,
         1},
        {"frames smaller than the box at scale 2",
         [](const fs::path& folder) {
             testing::writeFrames(folder, testing::numberedFrameNames("frame", 1, 3), 150, 150);
         },
         {{"smaller-than-shown", "warning"}},
         0,
         1},
        {"a member of the author's own",
         [](const fs::path& folder) { framesWithOptions(folder, "with-a-note.json"); },
         {{"unknown-member", "note"}},
         0,
         0},
    };
    return folders;
}

TEST(MisleadingFoldersTest, EachGetsItsVerdictAndExitStatus) {
    testing::TemporaryDeviceRoot scratch;
    for (const auto& misleading : misleadingFolders()) {
        SCOPED_TRACE(misleading.name);
        fs::path folder = scratch.path() / "sequence";
        fs::remove_all(folder);
        misleading.layOut(folder);
        auto run = testing::runVelorinSim(scratch.path(), {"check", folder.string(), "--json"});
        EXPECT_EQ(run.status, misleading.status) << run.err;
        auto json = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_FALSE(json.is_discarded()) << run.out;
        std::vector<KindAndSeverity> found;
        for (const auto& problem : json["problems"])
            found.emplace_back(problem["kind"], problem["severity"]);
        EXPECT_THAT(found, ElementsAreArray(misleading.problems));
        EXPECT_EQ(
            testing::runVelorinSim(scratch.path(), {"check", folder.string(), "--strict"}).status,
            misleading.strictStatus);
    }
}

TEST(MisleadingFoldersTest, ARightOrderTakesOneLineAndTheWhyIsGivenOnce) {
    testing::TemporaryDeviceRoot scratch;
    fs::path folder = scratch.path() / "untitled";
    testing::writeFrames(folder, testing::numberedFrameNames("Untitled-", 1, 60));
    auto run = testing::runVelorinSim(scratch.path(), {"check", folder.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.out,
                HasSubstr("Order: the natural order of the names, whichever frame is listed "
                          "first\n"));
    EXPECT_THAT(run.out,
                HasSubstr("Problems:\n  warning: " + folder.string() +
                          ": window-cut: the frames play in the right order, but the number "
                          "windows of all 60 frames run past the end of their names "
                          "(\"Untitled-1.png\" is 14 characters long, shorter than 18, twice the "
                          "prefix length 9), and the extension reads what is left of them; "
                          "numbers padded with zeros to 5 digits, as in \"Untitled-00001.png\", "
                          "fill the windows\n"));

    // Thirty resource-fork files are named once, with what they do to the order.
    fs::path forks = scratch.path() / "forks";
    testing::writeFrames(forks, testing::numberedFrameNames("frame", 1, 30));
    for (const auto& name : testing::numberedFrameNames("._frame", 1, 30))
        testing::writeBytes(forks / name, "Mac OS X");
    auto forked = testing::runVelorinSim(scratch.path(), {"check", forks.string()});
    EXPECT_EQ(forked.status, 1);
    EXPECT_THAT(forked.out, ::testing::StartsWith(forks.string() + ": 1 error, 0 warnings, 0 notes; "
                                                                   "30 of 60 frames play, in "
                                                                   "another order than their "
                                                                   "names"));
    EXPECT_THAT(forked.out, HasSubstr("\nProblems:\n  error: "));
    EXPECT_THAT(forked.out, HasSubstr("30 files end in \".png\" but are not PNG images: "
                                      "._frame1.png, ._frame2.png, ._frame3.png, ._frame4.png, "
                                      "._frame5.png and 25 more"));
    EXPECT_THAT(forked.out, HasSubstr("listed first, \"._frame1.png\" sets the prefix length to 7 "
                                      "instead of 5, and every frame reads key 0"));
    EXPECT_THAT(forked.out, HasSubstr("rm " + forks.string() + "/._*"));
}

TEST(MisleadingFoldersTest, LargerFramesGiveTheirScaleAndTheMemorySpent) {
    testing::TemporaryDeviceRoot scratch;
    fs::path folder = scratch.path() / "large";
    // A 30-point box is 90 pixels at scale 3: frames of 378 are drawn at 4.2 times that.
    testing::writeFrames(folder, testing::numberedFrameNames("frame", 1, 3), 378, 378);
    testing::writeBytes(folder / "options.json", R"({"width": 30, "height": 30})");
    auto run = testing::runVelorinSim(scratch.path(), {"check", folder.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.out, HasSubstr("its 3 frames are 378x378 pixels, drawn at 4.2x the size shown "
                                   "even at scale 3 (90x90 pixels for the 30 x 30-point box): "
                                   "1.5 MiB of decoded memory for nothing; resize them to 90x90"));
}

} // namespace
} // namespace velorin::tools
