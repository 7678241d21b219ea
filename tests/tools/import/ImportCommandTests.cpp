// velorin-sim import as a whole: what it refuses, that its output appears whole or not at all,
// replacing a sequence, the frames and options it writes, and the moments its frames show.
#include "platform/display/Image.h"
#include "sequences/FrameOrdering.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tools/common/StagedSequence.h"
#include "tools/import/ImportPipeline.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <sys/stat.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using testing::Picture;
using testing::readWholeFile;

struct ImportScratch {
    testing::ScratchFolder scratch;
    fs::path out = scratch / "out";
    fs::path source = scratch / "clip.gif";

    ImportScratch() {
        fs::create_directory(out);
        testing::writeGif(source, testing::coloredFrames(3, 200, 8, 8));
    }
    testing::SimOutcome run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), "import");
        return testing::runVelorinSim(scratch.path(), arguments);
    }
    ImportRequest request(const std::string& name = "clip") const {
        ImportRequest request;
        request.source = source.string();
        request.name = name;
        request.out = out.string();
        request.framesPerSecond = 10;
        // One cycle: the cases here are about a run's frames, not about repeating it.
        request.fill = FillChoice::HoldLastFrame;
        return request;
    }
};

bool mentions(const std::vector<std::string>& notes, const std::string& text) {
    return std::any_of(notes.begin(), notes.end(), [&](const std::string& note) {
        return note.find(text) != std::string::npos;
    });
}

bool isRed(const platform::CGImage& image) {
    return image.pixelAt(0, 0)[0] > 200 && image.pixelAt(0, 0)[1] < 50;
}

TEST(ImportCommand, RefusesBadInputWithAMessageNamingItAndWritesNothing) {
    ImportScratch scratch;
    auto url = scratch.run({"http://localhost/clip.gif", "--out", scratch.out.string()});
    EXPECT_EQ(url.status, 2);
    EXPECT_EQ(url.err.rfind("velorin-sim: http://localhost/clip.gif: looks like a URL", 0), 0u)
        << url.err;
    EXPECT_EQ(scratch.run({scratch.source.string(), "--x", "left"}).status, 2);
    EXPECT_EQ(scratch.run({scratch.source.string(), "my clip", "--out", "o"}).status, 2);
    EXPECT_EQ(scratch.run({scratch.source.string(), "--out", "o", "--root", "r"}).status, 2);
    auto folderTiming = scratch.run({scratch.source.string(), "--duration", "2"});
    EXPECT_EQ(folderTiming.status, 2);
    EXPECT_NE(folderTiming.err.find("--duration"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(scratch.out));
    // A pipe has no writer here: opening it to read would wait for ever.
    fs::path pipe = scratch.scratch / "clip-pipe.gif";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto piped = scratch.run({pipe.string(), "--out", scratch.out.string()});
    EXPECT_EQ(piped.status, 2);
    EXPECT_NE(piped.err.find("clip-pipe.gif: is a pipe (FIFO), not a regular file"),
              std::string::npos)
        << piped.err;
    auto device = scratch.run({"/dev/zero", "zero", "--out", scratch.out.string()});
    EXPECT_EQ(device.status, 2);
    EXPECT_NE(device.err.find("/dev/zero: is a device"), std::string::npos) << device.err;
    EXPECT_TRUE(fs::is_empty(scratch.out));
}

TEST(ImportCommand, AFaultHalfwayLeavesNeitherOutputNorStagingAndTheSourceAsItWas) {
    ImportScratch scratch;
    fs::path frames = scratch.scratch / "frames";
    fs::create_directory(frames);
    for (int index = 1; index <= 4; ++index)
        testing::writePng(frames / ("f" + std::to_string(index) + ".png"),
                          Picture::filled(4, 4, testing::colorOfFrame(index)));
    std::ofstream(frames / "f5.png") << "not a picture";
    auto before = testing::snapshotOf(frames);
    auto outcome = scratch.run({frames.string(), "--out", (scratch.out / "made").string()});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("f5.png"), std::string::npos) << outcome.err;
    EXPECT_TRUE(fs::is_empty(scratch.out)) << "neither the sequence nor the folder made for it";
    EXPECT_EQ(testing::snapshotOf(frames), before);
}

TEST(ImportCommand, AnInterruptionLeavesNothingBehind) {
    ImportScratch scratch;
    ImportRequest request = scratch.request();
    request.out = (scratch.out / "made" / "deeper").string();
    ImportHooks hooks;
    // Interrupted once the staging folder exists, in the middle of writing frames.
    hooks.interrupted = [&] {
        return fs::exists(scratch.out / "made" / "deeper") &&
               !fs::is_empty(scratch.out / "made" / "deeper");
    };
    auto outcome = importSequence(request, hooks);
    ASSERT_FALSE(outcome);
    EXPECT_NE(outcome.fault().message.find("interrupted"), std::string::npos)
        << outcome.fault().text();
    EXPECT_TRUE(fs::is_empty(scratch.out));
}

TEST(ImportCommand, AnExistingSequenceIsKeptUnlessReplacedWhole) {
    ImportScratch scratch;
    fs::path existing = scratch.out / "clip";
    fs::create_directory(existing);
    std::ofstream(existing / "old.png") << "an older frame";
    auto refused = scratch.run({scratch.source.string(), "--out", scratch.out.string()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--replace"), std::string::npos);
    EXPECT_EQ(readWholeFile(existing / "old.png"), "an older frame");
    // The source may not be replaced by its own sequence.
    ImportRequest inside = scratch.request("frames");
    inside.source = (scratch.out / "frames").string();
    fs::create_directory(inside.source);
    testing::writePng(fs::path(inside.source) / "a.png", Picture::filled(2, 2, {}));
    inside.existing = ExistingSequence::Replace;
    EXPECT_FALSE(importSequence(inside, {}));
    EXPECT_TRUE(fs::exists(fs::path(inside.source) / "a.png"));

    auto replaced =
        scratch.run({scratch.source.string(), "--out", scratch.out.string(), "--replace"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_FALSE(fs::exists(existing / "old.png"));
    EXPECT_TRUE(fs::exists(existing / "frame0001.png"));
    for (const auto& entry : fs::directory_iterator(scratch.out))
        EXPECT_NE(entry.path().filename().string().front(), '.') << "no staging is left";
}

TEST(ImportCommand, AKilledCommandsStagingGoesAtTheNextWhileALiveOnesStays) {
    ImportScratch scratch;
    fs::path abandoned = scratch.out / ".clip.importing-Ab12Cd";
    fs::path live = scratch.out / ".other.importing-Ef34Gh";
    fs::path unrelated = scratch.out / ".notes.importing-kept";
    for (const fs::path& folder : {abandoned, live, unrelated}) {
        fs::create_directory(folder);
        std::ofstream(folder / "frame0001.png") << "half written";
    }
    platform::FileDescriptor held(::open(live.c_str(), O_RDONLY | O_DIRECTORY));
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
    ASSERT_TRUE(importSequence(scratch.request(), {}));
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(live / "frame0001.png")) << "another command is still writing it";
    EXPECT_TRUE(fs::exists(unrelated / "frame0001.png"));

    // A replaced sequence kept aside until the command finishes is not taken for abandoned by
    // a command that starts meanwhile, so it can still be put back.
    auto replacing = StagedSequence::open(scratch.out.string(), "clip", ExistingSequence::Replace);
    ASSERT_TRUE(replacing);
    std::ofstream(replacing.value()->stagedPath("frame0001.png")) << "newer";
    ASSERT_TRUE(replacing.value()->commit(ReplacedSequence::KeepUntilFinished));
    ASSERT_TRUE(StagedSequence::open(scratch.out.string(), "another", ExistingSequence::Refuse));
    ASSERT_TRUE(replacing.value()->undoCommit());
    EXPECT_NE(readWholeFile(scratch.out / "clip" / "frame0001.png"), "newer");
}

TEST(ImportCommand, WritesFramesAndOptionsIntoTheRootsSequenceFolder) {
    ImportScratch scratch;
    fs::path root = scratch.scratch / "root";
    fs::create_directory(root);
    auto outcome = scratch.run({scratch.source.string(), "--root", root.string(), "--fps", "10",
                                "--height", "50", "--x", "right", "--x-offset", "10", "--once"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    fs::path folder = root / "var/jb/vod/Library/Velorin/chargingSequences/clip";
    // 0.6 s at 10 frames a second: 7 frames of 150x150 pixels, 50x50 points at scale 3.
    auto frames = testing::sequenceFrames(folder);
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(frames[0]->width(), 150u);
    EXPECT_EQ(frames[6]->height(), 150u);
    EXPECT_TRUE(isRed(*frames[0]));
    EXPECT_FALSE(isRed(*frames[6]));
    auto options = nlohmann::json::parse(readWholeFile(folder / "options.json"));
    EXPECT_EQ(options["width"], 50);
    EXPECT_EQ(options["height"], 50);
    EXPECT_EQ(options["animationDuration"], 0.6);
    EXPECT_EQ(options["x"], "right");
    EXPECT_EQ(options["y"], "bottom");
    EXPECT_EQ(options["xOffsetFromBottom"], 10);
    EXPECT_FALSE(options.contains("yOffsetFromBottom"));
    EXPECT_NE(outcome.out.find("7 of 150x150 pixels"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("holds for the last 3.4 s"), std::string::npos);
    // The source is named as people name it, and the report ends with how to choose it.
    EXPECT_NE(outcome.out.find("  source:  GIF, 8x8 pixels"), std::string::npos) << outcome.out;
    EXPECT_TRUE(outcome.out.ends_with(
        "  velorin-sim prefs set enablebatteryanimation true --root " + root.string() + "\n"))
        << outcome.out;
    EXPECT_NE(outcome.out.find("  velorin-sim prefs set batteryanimation clip --root "),
              std::string::npos);
    // A sequence written outside a root is installed, and chosen, by the command it gives.
    auto outside = scratch.run({scratch.source.string(), "--out", scratch.out.string()});
    ASSERT_EQ(outside.status, 0) << outside.err;
    auto install = testing::suggestedCommands(outside.out);
    ASSERT_EQ(install.size(), 1u) << outside.out;
    EXPECT_EQ(install[0],
              (std::vector<std::string>{"install", (scratch.out / "clip").string(), "--select"}));
    // The folder has the permissions of any folder made here, not the staging folder's private
    // ones, so that it reads as the other sequences do.
    fs::create_directory(scratch.scratch / "plain");
    EXPECT_EQ(fs::status(folder).permissions(),
              fs::status(scratch.scratch / "plain").permissions());
}

TEST(ImportCommand, FramesShowTheSourceAtTheMomentsTheDeviceReachesThem) {
    ImportScratch scratch;
    // Red for half a second, then green for a second and a half; 21 frames over 2 s.
    testing::writeGif(scratch.source,
                      {{Picture::filled(8, 8, {255, 0, 0, 255}), 500},
                       {Picture::filled(8, 8, {0, 255, 0, 255}), 1500}},
                      -1);
    ASSERT_TRUE(importSequence(scratch.request("paced"), {}));
    ImportRequest eased = scratch.request("eased");
    eased.pacing = Pacing::Eased;
    ASSERT_TRUE(importSequence(eased, {}));
    // The device's curve reaches progress 0.129 at a quarter of the run, the end of the red:
    // at the source's own pace only frames 0 to 2 (progress up to 0.1) are red; sampled
    // evenly, frames 0 to 4 (the first quarter of the frames) are.
    auto paced = testing::sequenceFrames(scratch.out / "paced");
    auto even = testing::sequenceFrames(scratch.out / "eased");
    ASSERT_EQ(paced.size(), 21u);
    ASSERT_EQ(even.size(), 21u);
    for (std::size_t index = 0; index < 21; ++index) {
        EXPECT_EQ(isRed(*paced[index]), index <= 2) << index;
        EXPECT_EQ(isRed(*even[index]), index <= 4) << index;
    }
}

TEST(ImportCommand, LowersTheRateForTheBudgetAndSaysSoAndAStillIsOneFrame) {
    ImportScratch scratch;
    ImportRequest request = scratch.request();
    request.framesPerSecond = 30;
    // 150x150 pixels a frame at scale 3 with 50-point sides: 90,000 bytes; 10 frames' worth.
    request.box.widthPoints = 50;
    request.budgetBytes = 10 * 150 * 150 * 4;
    auto lowered = importSequence(request, {});
    ASSERT_TRUE(lowered) << lowered.fault().message;
    EXPECT_EQ(lowered.value().shape.framesPerSecond, 15);
    EXPECT_EQ(lowered.value().shape.frameCount, 10);
    EXPECT_TRUE(mentions(lowered.value().notes, "frame rate lowered from 30 to 15"));
    // The flat-coloured frames have hard edges: enlarged, they are not smoothed.
    EXPECT_TRUE(mentions(lowered.value().notes, "enlarged without smoothing"));

    testing::writePng(scratch.scratch / "still.png", Picture::filled(4, 2, {}));
    ImportRequest still = scratch.request("still");
    still.source = (scratch.scratch / "still.png").string();
    auto single = importSequence(still, {});
    ASSERT_TRUE(single) << single.fault().message;
    EXPECT_EQ(testing::sequenceFrames(scratch.out / "still").size(), 1u);
    EXPECT_TRUE(mentions(single.value().notes, "single frame"));
    // A source smaller than the box at scale 3 keeps its own pixels; the box stays as it is.
    EXPECT_EQ(single.value().box.height, 75);
    EXPECT_EQ(single.value().shape.pixels.width, 4u);
    EXPECT_EQ(single.value().shape.pixels.height, 2u);
    EXPECT_TRUE(mentions(single.value().notes, "its own pixels are kept"));
    still.name = "enlarged";
    still.box.scale = 3;
    auto enlarged = importSequence(still, {});
    ASSERT_TRUE(enlarged) << enlarged.fault().message;
    EXPECT_EQ(enlarged.value().shape.pixels.width, 450u);
}

} // namespace
} // namespace velorin::tools
