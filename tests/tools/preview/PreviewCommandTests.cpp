// velorin-sim preview, end to end: the built program renders a sequence on the real
// extension, and the frames, the contact sheet and the animated WebP are read back.
#include "platform/display/Image.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <webp/demux.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using testing::readWholeFile;

// A folder for one test's inputs and outputs, and the temporary folder velorin-sim is given.
struct Scratch {
    testing::TemporaryDeviceRoot root;
    testing::TemporaryDeviceRoot folder;
    fs::path temporary = folder.path() / "tmp";
    // The extension is on, as on a device that shows the sequence.
    Scratch() {
        fs::create_directory(temporary);
        root.writePreferences("com.tarnwick.velorin", {{"enablebatteryanimation", on()}});
    }
    static platform::PropertyValue on() { return platform::PropertyValue::boolean(true); }

    testing::SimOutcome preview(std::vector<std::string> arguments,
                                std::vector<std::string> settings = {}) const {
        arguments.insert(arguments.begin(), "preview");
        settings.push_back("TMPDIR=" + temporary.string());
        return testing::runVelorinSim(folder.path(), arguments, settings);
    }
    // The arguments of a short preview of `sequence` on this scratch's root, at scale 1.
    std::vector<std::string> shortPreview(const fs::path& sequence, const fs::path& out,
                                          const std::string& screen,
                                          const std::string& framesPerSecond) const {
        return {sequence.string(), "--root", root.path().string(), "--screen", screen,
                "--scale",         "1",      "--seconds",          "1",        "--fps",
                framesPerSecond,   "--out",  out.string()};
    }
};

// Every file under a folder with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[entry.path().string()] = entry.is_regular_file() ? readWholeFile(entry.path()) : "/";
    return files;
}

platform::Ref<platform::CGImage> readPng(const fs::path& path) {
    std::string bytes = readWholeFile(path);
    return platform::decodePng({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

std::array<int, 3> colorAt(const platform::CGImage& image, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* pixel = image.pixelAt(x, y);
    return {pixel[0], pixel[1], pixel[2]};
}

struct DecodedAnimation {
    int width{0};
    int height{0};
    int frames{0};
    // When the last frame ends; the encoder merges frames that do not change.
    int endMilliseconds{0};
    std::vector<std::uint8_t> firstFrame;
};

DecodedAnimation decodeWebp(const fs::path& path) {
    std::string bytes = readWholeFile(path);
    WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    DecodedAnimation decoded;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder)
        return decoded;
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    decoded.width = static_cast<int>(info.canvas_width);
    decoded.height = static_cast<int>(info.canvas_height);
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        std::uint8_t* pixels = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder, &pixels, &timestamp))
            break;
        decoded.endMilliseconds = timestamp;
        if (decoded.frames++ == 0)
            decoded.firstFrame.assign(pixels, pixels + std::size_t{info.canvas_width} *
                                                           info.canvas_height * 4);
    }
    WebPAnimDecoderDelete(decoder);
    return decoded;
}

// A sequence folder outside any device root: four frames, red and then redder in blue, and
// options that put a 40 × 30
// view 10 points from the left and 20 points above the bottom.
fs::path writeRedSequence(const fs::path& parent) {
    fs::path folder = parent / "my-sequence";
    fs::create_directories(folder);
    for (int frame = 1; frame <= 4; ++frame) {
        auto bytes = testing::solidPng(8, 8, 255, 0, static_cast<std::uint8_t>((frame - 1) * 40));
        std::ofstream(folder / ("red" + std::to_string(frame) + ".png"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    std::ofstream(folder / "options.json")
        << R"({"width": 40, "height": 30, "x": 10, "y": "bottom", "yOffsetFromBottom": 20})";
    return folder;
}

TEST(PreviewCommandTest, BadInputIsRefusedAndNothingIsWritten) {
    Scratch scratch;
    fs::path out = scratch.folder.path() / "out";
    std::string root = scratch.root.path().string();
    auto refused = [&](std::vector<std::string> arguments, const std::string& message) {
        auto given = [&](const char* option) {
            return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
        };
        arguments.insert(arguments.end(), {"--root", root, "--seconds", "1"});
        if (!given("--fps"))
            arguments.insert(arguments.end(), {"--fps", "2"});
        if (!given("--out"))
            arguments.insert(arguments.end(), {"--out", out.string()});
        auto outcome = scratch.preview(arguments);
        EXPECT_EQ(outcome.status, 2) << message;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "velorin-sim: " + message + "\n");
        EXPECT_FALSE(fs::exists(out));
        EXPECT_TRUE(fs::is_empty(scratch.temporary));
    };
    std::string missing = (scratch.folder.path() / "missing").string() + "/";
    refused({missing}, missing + ": no such sequence folder");
    refused({"nameless"},
            root + "/var/jb/vod/Library/Velorin/chargingSequences/nameless: no such sequence "
                   "(expected a folder)");
    fs::path sequence = writeRedSequence(scratch.folder.path());
    refused({sequence.string(), "--screen", "390"},
            "--screen 390: expected WIDTHxHEIGHT in points, such as 390x844, or several "
            "separated by commas");
    refused({sequence.string(), "--listing", "random"},
            "--listing random: expected sorted, shuffled or shuffled:SEED");
    refused({sequence.string(), "--screen", "0x844"},
            "--screen 0x844: expected WIDTHxHEIGHT in points, such as 390x844, or several "
            "separated by commas");
    refused({sequence.string(), "--scale", "40"},
            "--screen 390x844: at this scale a side would be under 1 or over 8192 pixels");
    refused({sequence.string(), "--fps", "0"},
            "--fps: expected a rate above 0 and up to 120 frames a second");
    // An output folder that cannot be made: its parent is a file.
    std::ofstream(scratch.folder.path() / "file") << "a file";
    fs::path underFile = scratch.folder.path() / "file" / "out";
    refused({sequence.string(), "--out", underFile.string()},
            underFile.string() + ": cannot make the output folder: Not a directory");
    EXPECT_EQ(readWholeFile(scratch.folder.path() / "file"), "a file");
}

TEST(PreviewCommandTest, AnInterruptionLeavesTheOutputAndTheTemporaryFolderAsTheyWere) {
    Scratch scratch;
    fs::path sequence = writeRedSequence(scratch.folder.path());
    fs::path out = scratch.folder.path() / "out";
    std::vector<std::string> arguments = scratch.shortPreview(sequence, out, "60x80", "2");
    auto interrupted = [&](const std::string& at) {
        return scratch.preview(arguments, {"VELORIN_TEST_SIGNAL_AT_CHECK=" + at});
    };
    // An output folder the preview would make is not left behind.
    auto first = interrupted("6");
    EXPECT_EQ(first.status, 130);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(fs::is_empty(scratch.temporary));

    ASSERT_EQ(scratch.preview(arguments).status, 0);
    std::ofstream(out / "notes.txt") << "mine";
    auto before = snapshot(out);
    // The copy asks once for each of the folder's five entries, the rendering once for each of
    // the two frames, and the command once more before the files move into place.
    for (auto [at, status] : {std::pair{"1", 130}, {"6", 130}, {"8", 130}, {"7:TERM", 143}}) {
        auto outcome = interrupted(at);
        EXPECT_EQ(outcome.status, status) << at;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "velorin-sim: interrupted; nothing was kept\n");
        EXPECT_EQ(snapshot(out), before) << at;
        EXPECT_TRUE(fs::is_empty(scratch.temporary)) << at;
    }
}

TEST(PreviewCommandTest, AFolderPlaysWhereItsOptionsPlaceItAndStaysAsItWas) {
    Scratch scratch;
    scratch.root.writePreferences(
        "com.tarnwick.velorin",
        {{"enablebatteryanimation", Scratch::on()},
         {"hidebattery", platform::PropertyValue::boolean(true)}});
    fs::path sequence = writeRedSequence(scratch.folder.path());
    auto before = snapshot(sequence);
    fs::path out = scratch.folder.path() / "out";
    auto outcome =
        scratch.preview(scratch.shortPreview(sequence.string() + "/", out, "100x200", "4"));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    // Piped, so no progress bar.
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out,
              "Previewed my-sequence: 4 frames of 100x200 pixels, 1 s at 4 frames a second\n"
              "frames:        " +
                  (out / "frames/frame-0001.png").string() +
                  " to frame-0004.png\n"
                  "contact sheet: " +
                  (out / "contact-sheet.png").string() + "\n" +
                  "showing:       charger in at 0.00 s; the contact sheet samples 0 to 0.75 s\n"
                  "animation:     " + (out / "animation.webp").string() + "\n");
    EXPECT_EQ(snapshot(sequence), before);
    EXPECT_TRUE(fs::is_empty(scratch.temporary)) << "the private root is left behind";

    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(out))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"animation.webp", "contact-sheet.png", "frames"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(out / "frames"), fs::directory_iterator()), 4);

    // The view's rectangle is x 10 to 50, y 150 to 180 (200 - 30 - 20).
    auto first = readPng(out / "frames/frame-0001.png");
    ASSERT_TRUE(first);
    ASSERT_EQ(first->width(), 100u);
    ASSERT_EQ(first->height(), 200u);
    const std::array<int, 3> red{255, 0, 0};
    EXPECT_EQ(colorAt(*first, 11, 151), red);
    EXPECT_EQ(colorAt(*first, 49, 179), red);
    for (auto [x, y] : {std::pair{9, 165}, {51, 165}, {30, 149}, {30, 181}})
        EXPECT_NE(colorAt(*first, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)),
                  red)
            << x << "," << y;
    EXPECT_TRUE(readPng(out / "contact-sheet.png"));

    DecodedAnimation animation = decodeWebp(out / "animation.webp");
    EXPECT_EQ(animation.width, 100);
    EXPECT_EQ(animation.height, 200);
    // The encoder merges a frame into the one before when they look alike.
    EXPECT_GE(animation.frames, 2);
    EXPECT_EQ(animation.endMilliseconds, 1000);
    ASSERT_FALSE(animation.firstFrame.empty());
    const std::uint8_t* inside = animation.firstFrame.data() + (165 * 100 + 30) * 4;
    EXPECT_GT(inside[0], 200);
    EXPECT_LT(inside[1], 60);
}

// With the extension off the device shows nothing: preview says so with the command that turns
// it on, and still renders what would play, with a band across every picture.
TEST(PreviewCommandTest, WithTheExtensionOffEveryPictureIsMarkedAndTheWayToTurnItOnIsGiven) {
    Scratch scratch;
    fs::path sequence = writeRedSequence(scratch.folder.path());
    fs::path on = scratch.folder.path() / "on";
    ASSERT_EQ(scratch.preview(scratch.shortPreview(sequence, on, "100x200", "2")).status, 0);
    std::string root = scratch.root.path().string();
    scratch.root.writePreferences("com.tarnwick.velorin",
                                  {{"enablebatteryanimation", platform::PropertyValue::boolean(false)}});
    fs::path off = scratch.folder.path() / "off";
    auto outcome = scratch.preview(scratch.shortPreview(sequence, off, "100x200", "2"));
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "velorin-sim: the extension is off in the preferences of " + root +
                               ", so the device shows nothing; `velorin-sim prefs set "
                               "enablebatteryanimation true --root " +
                               root +
                               "` turns it on. The preview shows what would play, each picture "
                               "marked \"extension off\".\n");
    for (const std::string frame : {"frames/frame-0001.png", "frames/frame-0002.png"}) {
        SCOPED_TRACE(frame);
        auto plain = readPng(on / frame);
        auto marked = readPng(off / frame);
        ASSERT_TRUE(plain && marked);
        // The animation still plays where its options place it; the middle is banded in red.
        EXPECT_EQ(colorAt(*marked, 11, 151), colorAt(*plain, 11, 151));
        auto band = colorAt(*marked, 1, 89);
        EXPECT_GT(band[0], band[1] + 40);
        EXPECT_NE(band, colorAt(*plain, 1, 89));
        EXPECT_EQ(colorAt(*marked, 1, 20), colorAt(*plain, 1, 20));
    }
    // A preference list without the switch leaves the extension off too, as on a device.
    fs::remove(scratch.root.path() / "var/mobile/Library/Preferences/com.tarnwick.velorin.plist");
    auto absent = scratch.preview(scratch.shortPreview(sequence, off, "100x200", "2"));
    EXPECT_THAT(absent.err, ::testing::HasSubstr("the extension is off"));
}

// The preview says when the showing ends, or starts again when it repeats, and the contact
// sheet samples that showing rather than the empty screen after it.
TEST(PreviewCommandTest, ThePreviewSaysWhenTheShowingEndsOrStartsAgain) {
    Scratch scratch;
    fs::path sequence = writeRedSequence(scratch.folder.path());
    auto arguments = [&](const fs::path& out) {
        return std::vector<std::string>{sequence.string(), "--root", scratch.root.path().string(),
                                        "--screen", "60x80", "--scale", "1", "--seconds", "9",
                                        "--fps", "2", "--no-frames", "--out", out.string()};
    };
    auto once = scratch.preview(arguments(scratch.folder.path() / "once"));
    ASSERT_EQ(once.status, 0) << once.err;
    EXPECT_THAT(once.out, ::testing::HasSubstr("\nshowing:       charger in at 0.00 s, showing "
                                               "ends at 4.00 s; the contact sheet samples 0 to "
                                               "4.00 s\n"));
    scratch.root.writePreferences("com.tarnwick.velorin",
                                  {{"enablebatteryanimation", Scratch::on()},
                                   {"loopbatteryanimation", Scratch::on()}});
    auto repeats = scratch.preview(arguments(scratch.folder.path() / "repeats"));
    ASSERT_EQ(repeats.status, 0) << repeats.err;
    EXPECT_THAT(repeats.out, ::testing::HasSubstr("\nshowing:       charger in at 0.00 s, restart "
                                                  "at 4.00 s, restart at 8.00 s; the contact "
                                                  "sheet samples 0 to 8.50 s\n"));
    // Sampling less time, the sheet of one showing has its panels closer together than the
    // sheet of the repeating showings.
    auto onceSheet = readPng(scratch.folder.path() / "once/contact-sheet.png");
    auto repeatsSheet = readPng(scratch.folder.path() / "repeats/contact-sheet.png");
    ASSERT_TRUE(onceSheet && repeatsSheet);
    EXPECT_FALSE(onceSheet->pixels() == repeatsSheet->pixels());
}

TEST(PreviewCommandTest, TheHostsChargingViewAndTheBacklightShowOnTheScreen) {
    Scratch scratch;
    // With hidebattery off the extension leaves the host's charging view alone; after 30 idle
    // seconds the host dims the screen to a tenth.
    scratch.root.writePreferences(
        "com.tarnwick.velorin",
        {{"enablebatteryanimation", Scratch::on()},
         {"hidebattery", platform::PropertyValue::boolean(false)}});
    fs::path sequence = writeRedSequence(scratch.folder.path());
    fs::path out = scratch.folder.path() / "out";
    auto outcome = scratch.preview({sequence.string(), "--root", scratch.root.path().string(),
                                    "--screen", "100x200", "--scale", "1", "--seconds", "31",
                                    "--fps", "1", "--out", out.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    auto lit = readPng(out / "frames/frame-0001.png");
    auto dimmed = readPng(out / "frames/frame-0031.png");
    ASSERT_TRUE(lit && dimmed);
    // The host's charging view, a large battery filled green in the middle of the screen, for
    // three seconds; the view's corners show what lies beneath it.
    const std::array<int, 3> batteryGreen{76, 217, 102};
    EXPECT_EQ(colorAt(*lit, 15, 90), batteryGreen);
    auto later = readPng(out / "frames/frame-0005.png");
    ASSERT_TRUE(later);
    EXPECT_NE(colorAt(*later, 15, 90), batteryGreen);
    EXPECT_EQ(colorAt(*lit, 2, 25), colorAt(*later, 2, 25));
    auto wallpaper = colorAt(*lit, 0, 0);
    auto darkened = colorAt(*dimmed, 0, 0);
    for (std::size_t channel = 0; channel < 3; ++channel)
        EXPECT_NEAR(darkened[channel], wallpaper[channel] * 0.1, 1.0);
    // Between the showing's end and the dimming the screen stands still: those frames are
    // written once and copied, and the change that follows is written anew.
    std::string still = readWholeFile(out / "frames/frame-0010.png");
    EXPECT_EQ(readWholeFile(out / "frames/frame-0020.png"), still);
    EXPECT_EQ(readWholeFile(out / "frames/frame-0030.png"), still);
    EXPECT_NE(readWholeFile(out / "frames/frame-0031.png"), still);
    ASSERT_TRUE(readPng(out / "frames/frame-0020.png"));
    EXPECT_EQ(colorAt(*readPng(out / "frames/frame-0020.png"), 0, 0), wallpaper);
}

TEST(PreviewCommandTest, ANewPreviewReplacesTheFramesOfTheLastButNoOtherFiles) {
    Scratch scratch;
    fs::path sequence = writeRedSequence(scratch.folder.path());
    fs::path out = scratch.folder.path() / "out";
    auto run = [&](const std::string& framesPerSecond) {
        return scratch.preview(scratch.shortPreview(sequence, out, "60x80", framesPerSecond));
    };
    ASSERT_EQ(run("6").status, 0);
    std::ofstream(out / "notes.txt") << "mine";
    // What a preview killed outright left behind goes with the next preview.
    fs::create_directories(out / ".velorin-preview-Ab12Cd" / "frames");
    ASSERT_EQ(run("2").status, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(out / "frames"), fs::directory_iterator()), 2);
    EXPECT_EQ(readWholeFile(out / "notes.txt"), "mine");
    std::set<std::string> entries;
    for (const auto& entry : fs::directory_iterator(out))
        entries.insert(entry.path().filename().string());
    EXPECT_EQ(entries,
              (std::set<std::string>{"animation.webp", "contact-sheet.png", "frames", "notes.txt"}))
        << "neither the staging folder with the former frames nor the one left behind stays";

    // A frames folder with a file that no preview wrote is never emptied.
    std::ofstream(out / "frames" / "keep.png") << "not a frame";
    auto before = snapshot(out);
    auto refused = run("2");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "velorin-sim: " + (out / "frames").string() +
                               ": holds files that are not preview frames; choose another "
                               "output folder\n");
    EXPECT_EQ(snapshot(out), before);
}

TEST(PreviewCommandTest, WithoutFramesOnlyTheSheetAndTheAnimationAreWritten) {
    Scratch scratch;
    fs::path sequence = writeRedSequence(scratch.folder.path());
    fs::path out = scratch.folder.path() / "out";
    std::vector<std::string> arguments = scratch.shortPreview(sequence, out, "60x80", "4");
    ASSERT_EQ(scratch.preview(arguments).status, 0);
    ASSERT_TRUE(fs::exists(out / "frames/frame-0004.png"));

    arguments.push_back("--no-frames");
    auto outcome = scratch.preview(arguments);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "Previewed my-sequence: 4 frames of 60x80 pixels, 1 s at 4 frames a second\n"
              "contact sheet: " +
                  (out / "contact-sheet.png").string() + "\n" +
                  "showing:       charger in at 0.00 s; the contact sheet samples 0 to 0.75 s\n"
                  "animation:     " + (out / "animation.webp").string() + "\n");
    // The former preview's frames go with the rest of it, so that no frames of another
    // preview stand beside the new sheet.
    EXPECT_FALSE(fs::exists(out / "frames"));
    EXPECT_TRUE(readPng(out / "contact-sheet.png"));
    EXPECT_EQ(decodeWebp(out / "animation.webp").endMilliseconds, 1000);
    EXPECT_TRUE(fs::is_empty(scratch.temporary));
}

// A shuffled listing plays the folder as a device that lists it in another order would, and the
// same seed plays the same listing again. Several screens put their sheets side by side.
TEST(PreviewCommandTest, AShuffledListingAndSeveralScreens) {
    Scratch scratch;
    fs::path folder = scratch.folder.path() / "seq";
    fs::create_directories(folder);
    for (int frame = 1; frame <= 12; ++frame) {
        auto bytes = testing::solidPng(8, 8, static_cast<std::uint8_t>(frame * 20));
        std::ofstream(folder / ("a" + std::to_string(frame) + ".png"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    std::string root = scratch.root.path().string();
    auto sheetOf = [&](const std::vector<std::string>& more) {
        fs::path out = scratch.folder.path() / "out";
        std::vector<std::string> arguments{
            folder.string(), "--root", root,          "--seconds", "2",
            "--fps",         "6",      "--no-frames", "--out",     out.string()};
        arguments.insert(arguments.end(), more.begin(), more.end());
        auto outcome = scratch.preview(arguments);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        return std::pair{outcome.out, readPng(out / "contact-sheet.png")};
    };
    auto [sortedText, sorted] = sheetOf({});
    auto [shuffledText, shuffled] = sheetOf({"--listing", "shuffled:5"});
    auto [againText, again] = sheetOf({"--listing", "shuffled:5"});
    EXPECT_NE(shuffledText.find("seed 5"), std::string::npos) << shuffledText;
    ASSERT_TRUE(sorted && shuffled && again);
    EXPECT_EQ(shuffled->pixels(), again->pixels()) << "the same seed gives the same listing";

    auto [wideText, wide] = sheetOf({"--screen", "390x844,320x568"});
    auto [smallText, small] = sheetOf({"--screen", "320x568"});
    ASSERT_TRUE(wide && small);
    EXPECT_EQ(wide->width(), sorted->width() + small->width());
    // Each sheet is named by its screen, in a line above its panels.
    EXPECT_GT(wide->height(), std::max(sorted->height(), small->height()));
    EXPECT_NE(wideText.find("each named above its panels"), std::string::npos) << wideText;
}

TEST(PreviewCommandTest, TheBundledDefaultSequencePreviews) {
    Scratch scratch;
    fs::path out = scratch.folder.path() / "out";
    auto outcome =
        scratch.preview({"--seconds", "1", "--fps", "2", "--scale", "1", "--out", out.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out.rfind("Previewed particlespin: 2 frames of 390x844 pixels", 0), 0u)
        << outcome.out;
    DecodedAnimation animation = decodeWebp(out / "animation.webp");
    EXPECT_EQ(animation.frames, 2);
    EXPECT_EQ(animation.endMilliseconds, 1000);
}

} // namespace
} // namespace velorin::tools
