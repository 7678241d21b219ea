// velorin-sim list, end to end: a root's sequences with their frames, run length, box, decoded
// size and problems by severity, from the same analysis as check, and the one chosen.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tests/tools/common/SimProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace velorin::tools {
namespace {

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences/";

TEST(ListCommandTest, EachSequenceWithItsProblemsAndTheChosenOne) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot scratch;
    const std::string rootPath = root.path().string();
    testing::writeFrames(root.hostPath(sequences + "letters"),
                         testing::numberedFrameNames("a", 1, 12));
    testing::writeFrames(root.hostPath(sequences + "wide"),
                         testing::numberedFrameNames("wide", 1, 2), 600, 300);
    root.writeFile(sequences + "wide/options.json", R"({"animationDuraton": 3, "width": 200})");
    root.makeFolder(sequences + ".staging-left-by-a-killed-install");
    auto list = [&] {
        return testing::runVelorinSim(scratch.path(), {"list", "--root", rootPath});
    };

    auto unchosen = list();
    EXPECT_EQ(unchosen.status, 0) << unchosen.err;
    EXPECT_EQ(unchosen.out,
              "Sequences in " + rootPath + "/" + sequences +
                  "\n"
                  "  letters  12 frames, 2 s a run, 150 x 150 points, 9.2 MiB decoded; 1 error\n"
                  "  wide     2 frames, 2 s a run, 200 x 150 points, 1.3 MiB decoded; 1 error, 1 "
                  "warning\n"
                  "The root's batteryanimation chooses \"particlespin\", which is no sequence "
                  "here: nothing shows; the extension is off (velorin-sim prefs set "
                  "enablebatteryanimation true turns it on)\n"
                  "The frames' headers were read, not their pictures: velorin-sim check NAME "
                  "decodes every frame and gives a sequence's problems.\n");

    root.writePreferences("com.tarnwick.velorin",
                          {{"enablebatteryanimation", platform::PropertyValue::boolean(true)},
                           {"batteryanimation", platform::PropertyValue::string("wide")}});
    EXPECT_THAT(list().out, ::testing::HasSubstr("* wide     2 frames"));
    auto json = nlohmann::json::parse(
        testing::runVelorinSim(scratch.path(), {"list", "--root", rootPath, "--json"}).out);
    EXPECT_EQ(json["chosen"], "wide");
    EXPECT_EQ(json["chosenExists"], true);
    EXPECT_EQ(json["enabled"], true);
    ASSERT_EQ(json["sequences"].size(), 2u);
    const auto& letters = json["sequences"][0];
    EXPECT_EQ(letters["name"], "letters");
    EXPECT_EQ(letters["frames"], 12);
    EXPECT_EQ(letters["naturalOrder"], false);
    EXPECT_EQ(letters["errors"], 1);
    const auto& wide = json["sequences"][1];
    EXPECT_EQ(wide["chosen"], true);
    EXPECT_EQ(wide["animationDuration"], 2.0) << "the misspelt member is not read";
    EXPECT_EQ(wide["box"]["width"], 200.0);
    EXPECT_EQ(wide["warnings"], 1);
    EXPECT_EQ(wide["decodedBytes"], 2 * 600 * 300 * 4);

    // A chosen name with slashes plays the folder it names inside the sequence folder, as the
    // device joins it.
    root.writePreferences("com.tarnwick.velorin",
                          {{"batteryanimation", platform::PropertyValue::string("./wide/")}});
    EXPECT_THAT(list().out, ::testing::HasSubstr("* wide     2 frames"));
    testing::writeFrames(root.hostPath(sequences + "wide/dark"),
                         testing::numberedFrameNames("dark", 1, 2));
    root.writePreferences("com.tarnwick.velorin",
                          {{"batteryanimation", platform::PropertyValue::string("wide/dark")}});
    EXPECT_THAT(list().out, ::testing::HasSubstr("chooses \"wide/dark\", which plays the folder "
                                                 "\"wide/dark\" inside the sequence folder"));
}

TEST(ListCommandTest, ListReadsTheHeadersAndCheckDecodesThePictures) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot scratch;
    const std::string rootPath = root.path().string();
    const std::string folder = sequences + "damaged";
    testing::writeFrames(root.hostPath(folder), testing::numberedFrameNames("d", 1, 3), 40, 40);
    // The second frame's pixels are damaged past its header: only a decode finds it.
    auto second = root.hostPath(folder + "/d2.png");
    std::string bytes = testing::readWholeFile(second);
    ASSERT_GT(bytes.size(), 60u);
    for (std::size_t index = bytes.size() - 30; index < bytes.size() - 20; ++index)
        bytes[index] = static_cast<char>(bytes[index] ^ 0x5A);
    testing::writeBytes(second, bytes);
    // What the header tells is found without a decode: a file that is no PNG.
    root.writeFile(folder + "/d4.png", "not a picture");

    auto listed = testing::runVelorinSim(scratch.path(), {"list", "--root", rootPath, "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    auto json = nlohmann::json::parse(listed.out);
    EXPECT_EQ(json["picturesVerified"], false);
    const auto& damaged = json["sequences"][0];
    EXPECT_EQ(damaged["frames"], 4);
    EXPECT_EQ(damaged["decodedFrames"], 3) << "the damaged frame's header claims a picture";
    EXPECT_EQ(damaged["decodedBytes"], 3 * 40 * 40 * 4);
    EXPECT_EQ(damaged["errors"], 1) << "the file that is no PNG";

    auto checked = testing::runVelorinSim(scratch.path(), {"check", "damaged", "--root", rootPath});
    EXPECT_EQ(checked.status, 1);
    EXPECT_THAT(checked.out, ::testing::HasSubstr("d2.png"));
    EXPECT_THAT(checked.out, ::testing::HasSubstr("ends in \".png\" but is not a PNG image"));
}

TEST(ListCommandTest, OnAGivenScreenThePiecesOfTheLockScreenASequenceCoversAreNoted) {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot scratch;
    const std::string rootPath = root.path().string();
    testing::writeFrames(root.hostPath(sequences + "plain"), {"frame1.png"});
    testing::writeFrames(root.hostPath(sequences + "wide"), {"frame1.png"}, 750, 450);
    root.writeFile(sequences + "wide/options.json", R"({"width": 250})");

    auto refused =
        testing::runVelorinSim(scratch.path(), {"list", "--root", rootPath, "--screen", "320"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_THAT(refused.err, ::testing::HasSubstr("\"320\" is not WIDTHxHEIGHT"));

    auto listed =
        testing::runVelorinSim(scratch.path(), {"list", "--root", rootPath, "--screen", "320x568"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_THAT(listed.out,
                ::testing::HasSubstr(
                    "  plain  1 frame, 2 s a run, 150 x 150 points, 791.0 KiB decoded; no "
                    "problems\n"
                    "  wide   1 frame, 2 s a run, 250 x 150 points, 1.2 MiB decoded; 1 warning, "
                    "1 note\n"
                    "         note: on a 320x568 screen the view covers the right button (x 252 "
                    "to 296, y 496 to 540) in points; the animation hides what it covers while "
                    "it shows\n"));
    // Without a screen nothing is placed, so nothing is covered.
    auto unplaced = testing::runVelorinSim(scratch.path(), {"list", "--root", rootPath});
    EXPECT_THAT(unplaced.out, ::testing::Not(::testing::HasSubstr("note:")));
    auto json = nlohmann::json::parse(
        testing::runVelorinSim(scratch.path(),
                               {"list", "--root", rootPath, "--screen", "320x568", "--json"})
            .out);
    EXPECT_EQ(json["sequences"][0]["covers"], nlohmann::json::array());
    EXPECT_EQ(json["sequences"][1]["covers"][0]["piece"], "the right button");
    EXPECT_EQ(json["sequences"][1]["covers"][0]["x"], 252);
}

} // namespace
} // namespace velorin::tools
