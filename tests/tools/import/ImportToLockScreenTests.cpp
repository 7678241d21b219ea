// From a GIF, an animated PNG, an animated WebP or a video to the lock screen, end to end with
// the built velorin-sim: import, check, preview, install --select and run.
//
// The GIF's frames have evenly stepped colours and uneven delays. Over the middle 80% of the
// run, the source frame whose colour is closest to the rendered picture at time t must lie
// between the source frames shown by the two imported frames that bracket t: the picture is a
// cross-fade of those two, paced by the device's ease-in-ease-out curve, and the import chose
// their moments so that the run keeps the source's own pace.
#include "platform/display/Image.h"
#include "platform/display/Layer.h"
#include "tests/support/ChildProcess.h"
#include "tests/tools/common/SimProcess.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tools/import/EasedSampling.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences/";

// Colours that step evenly along one line, so that a blend of two of them is nearest to a
// colour between them.
std::vector<testing::TimedPicture> steppedFrames(int count) {
    std::vector<testing::TimedPicture> frames;
    for (int index = 0; index < count; ++index) {
        testing::Color color{static_cast<std::uint8_t>(8 + index * 10),
                             static_cast<std::uint8_t>(247 - index * 10), 60, 255};
        // Uneven delays: 60 and 140 ms in turn.
        frames.push_back({testing::Picture::filled(32, 32, color), index % 2 == 0 ? 60 : 140});
    }
    return frames;
}

int squaredDistance(const testing::Color& a, const std::uint8_t* b) {
    int red = a.red - b[0];
    int green = a.green - b[1];
    int blue = a.blue - b[2];
    return red * red + green * green + blue * blue;
}

nlohmann::json readJson(const fs::path& path) {
    std::ifstream file(path);
    return nlohmann::json::parse(file);
}

testing::SimOutcome sim(const testing::ScratchFolder& scratch, std::vector<std::string> arguments) {
    return testing::runVelorinSim(scratch.path(), std::move(arguments));
}

TEST(ImportToLockScreenTest, AGifPlaysAtItsOwnPaceOnTheLockScreen) {
    testing::ScratchFolder scratch;
    const fs::path source = scratch / "steps.gif";
    testing::writeGif(source, steppedFrames(24));
    testing::DecodedSource decoded = testing::decodeWhole(source);
    ASSERT_EQ(decoded.frames.size(), 24u);
    const fs::path root = scratch / "root";
    fs::create_directories(root);

    auto imported = sim(scratch, {"import", source.string(), "steps", "--root", root.string()});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const fs::path folder = root / sequences / "steps";
    auto checked = sim(scratch, {"check", folder.string(), "--json"});
    EXPECT_EQ(checked.status, 0) << checked.out;
    EXPECT_EQ(nlohmann::json::parse(checked.out)["errors"], 0) << checked.out;

    nlohmann::json options = readJson(folder / "options.json");
    double run = options["animationDuration"].get<double>();
    EXPECT_NEAR(run, decoded.description.lengthSeconds, 1e-6);
    int frameCount = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        frameCount += entry.path().extension() == ".png";

    const fs::path out = scratch / "preview";
    auto previewed = sim(scratch, {"preview", "steps", "--root", root.string(), "--scale", "1",
                                   "--fps", "30", "--seconds", "3", "--out", out.string()});
    ASSERT_EQ(previewed.status, 0) << previewed.err;

    // The middle of the animated view, on a 390 × 844 screen at scale 1.
    double height = options["height"].get<double>();
    double gap = options.value("yOffsetFromBottom", 20.0);
    auto x = static_cast<std::uint32_t>(195);
    auto y = static_cast<std::uint32_t>(844 - gap - height / 2);
    auto sourceAt = [&](double seconds) {
        std::size_t shown = 0;
        for (std::size_t index = 0; index < decoded.frames.size(); ++index) {
            if (decoded.frames[index].start <= seconds + 1e-9)
                shown = index;
        }
        return shown;
    };
    auto curve = platform::CAMediaTimingFunction::functionWithName(
        platform::kCAMediaTimingFunctionEaseInEaseOut);
    int judged = 0;
    for (int index = 0; index < 90; ++index) {
        double seconds = index / 30.0;
        if (seconds < 0.1 * run || seconds > 0.9 * run)
            continue;
        char name[32];
        std::snprintf(name, sizeof name, "frame-%04d.png", index + 1);
        std::ifstream file(out / "frames" / name, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        auto picture = platform::decodePng(
            {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        ASSERT_TRUE(picture) << name;
        std::size_t closest = 0;
        for (std::size_t candidate = 1; candidate < decoded.frames.size(); ++candidate) {
            if (squaredDistance(testing::pixelOf(decoded.frames[candidate], 16, 16),
                                picture->pixelAt(x, y)) <
                squaredDistance(testing::pixelOf(decoded.frames[closest], 16, 16),
                                picture->pixelAt(x, y)))
                closest = candidate;
        }
        // The two imported frames the device blends at this moment, and the source frames
        // they show.
        double progress = curve.evaluate(seconds / run) * (frameCount - 1);
        int before = std::min(static_cast<int>(std::floor(progress)), frameCount - 2);
        std::size_t earliest =
            sourceAt(runTimeOfFrame(before, frameCount, run, Pacing::SourcePace));
        std::size_t latest =
            sourceAt(runTimeOfFrame(before + 1, frameCount, run, Pacing::SourcePace));
        EXPECT_GE(closest, earliest) << "at " << seconds << " s";
        EXPECT_LE(closest, latest) << "at " << seconds << " s";
        ++judged;
    }
    EXPECT_GT(judged, 40);

    // Installed into another root and chosen, the extension plays it.
    const fs::path device = scratch / "device";
    fs::create_directories(device);
    auto installed =
        sim(scratch, {"install", folder.string(), "--root", device.string(), "--select"});
    ASSERT_EQ(installed.status, 0) << installed.err;
    const fs::path scenario = scratch / "plug.scenario";
    std::ofstream(scenario) << "at 0 launch\nat 0.5 lock\nat 1 plug\nat 2 end\n";
    auto played = sim(scratch, {"run", scenario.string(), "--root", device.string()});
    ASSERT_EQ(played.status, 0) << played.err;
    std::ostringstream expected;
    expected << "1.000 animation UIImageView#1 frames=" << frameCount << " duration=";
    EXPECT_NE(played.out.find(expected.str()), std::string::npos) << played.out;
}

TEST(ImportToLockScreenTest, EveryKindOfSourceImportsWithoutAnError) {
    testing::ScratchFolder scratch;
    auto frames = testing::coloredFrames(12, 100, 32, 32);
    const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> sources{
        {"moving.png", [&](const fs::path& path) { testing::writeAnimatedPng(path, frames); }},
        {"moving.webp", [&](const fs::path& path) { testing::writeAnimatedWebp(path, frames); }},
        {"moving.mp4", [&](const fs::path& path) { testing::writeVideo(path, frames); }},
    };
    for (const auto& [name, write] : sources) {
        SCOPED_TRACE(name);
        const fs::path source = scratch / name;
        write(source);
        const fs::path out = scratch / ("out-" + name);
        auto imported = sim(scratch, {"import", source.string(), "clip", "--out", out.string()});
        ASSERT_EQ(imported.status, 0) << imported.err;
        auto checked = sim(scratch, {"check", (out / "clip").string(), "--json"});
        EXPECT_EQ(checked.status, 0) << checked.out;
        EXPECT_EQ(nlohmann::json::parse(checked.out)["errors"], 0) << checked.out;
    }
}

} // namespace
} // namespace velorin::tools
