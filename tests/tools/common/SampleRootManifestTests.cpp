// A user's root is made only from a whole sample root: the manifest that the build writes last
// must be whole and every file it lists in place at its size, and only those files are copied.
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"
#include "tools/common/SampleRootManifest.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string frame = "var/jb/vod/Library/Velorin/chargingSequences/dots/dot1.png";
const std::string preferences = "var/mobile/Library/Preferences/com.tarnwick.velorin.plist";

// A sample root of two files and a manifest that lists both, as the build writes it.
struct SmallSampleRoot {
    testing::TemporaryDeviceRoot root;

    SmallSampleRoot() {
        root.writeFile(frame, testing::solidPng(6, 6, 90));
        root.writePreferences("com.tarnwick.velorin",
                              {{"enablebatteryanimation", platform::PropertyValue::boolean(true)},
                               {"batteryanimation", platform::PropertyValue::string("dots")}});
        writeManifest("velorin sample root manifest 1\n" + line(frame) + line(preferences) +
                      "end 2\n");
    }
    std::string line(const std::string& path) const {
        return std::to_string(fs::file_size(root.hostPath(path))) + " " + path + "\n";
    }
    void writeManifest(const std::string& text) const {
        root.writeFile(sampleRootManifestName, text);
    }
    std::string faultMessage() const {
        auto files = readWholeSampleRoot(root.path().string());
        EXPECT_FALSE(files.ok());
        return files ? std::string() : files.fault().message;
    }
    testing::SimOutcome runWithIt(const fs::path& scratch, std::vector<std::string> arguments,
                                  const fs::path& userRoot) const {
        return testing::runVelorinSim(
            scratch, std::move(arguments),
            {"VELORIN_SAMPLE_ROOT=" + root.path().string(), "VELORIN_ROOT=" + userRoot.string()});
    }
};

TEST(SampleRootManifestTest, AManifestThatIsMissingCutShortOrDamagedIsNamed) {
    SmallSampleRoot sample;
    const std::string head = "velorin sample root manifest 1\n";
    const std::string files = sample.line(frame) + sample.line(preferences);
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "its manifest is cut short"},
        {head + files, "its manifest is cut short"},
        {head + files + "end 2", "its manifest is cut short"},
        {"velorin sample root manifest 2\n" + files + "end 2\n",
         "its manifest is not one this velorin-sim reads"},
        {head + files + "end 3\n", "its manifest is damaged"},
        {head + files + "end 2\n" + sample.line(frame), "its manifest is damaged"},
        {head + "end 0\n", "its manifest lists no files"},
        {head + "5 ../outside.png\nend 1\n", "its manifest is damaged"},
        {head + "5 /etc/hostname\nend 1\n", "its manifest is damaged"},
        {head + "5 var//dot1.png\nend 1\n", "its manifest is damaged"},
        {head + "5 ./dot1.png\nend 1\n", "its manifest is damaged"},
        {head + "-5 dot1.png\nend 1\n", "its manifest is damaged"},
        {head + "five dot1.png\nend 1\n", "its manifest is damaged"},
        {head + "5\nend 1\n", "its manifest is damaged"},
        {head + "5 " + sampleRootManifestName + "\nend 1\n", "its manifest is damaged"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        sample.writeManifest(text);
        EXPECT_EQ(sample.faultMessage(), message);
    }
    fs::remove(sample.root.hostPath(sampleRootManifestName));
    EXPECT_THAT(sample.faultMessage(), HasSubstr("it has no manifest"));
    auto nowhere = readWholeSampleRoot((sample.root.path() / "nowhere").string());
    ASSERT_FALSE(nowhere.ok());
    EXPECT_EQ(nowhere.fault().message, "it does not exist");
}

TEST(SampleRootManifestTest, AListedFileNotInPlaceAtItsSizeIsNamed) {
    SmallSampleRoot sample;
    fs::path framePath = sample.root.hostPath(frame);
    std::uintmax_t frameSize = fs::file_size(framePath);

    fs::resize_file(framePath, 3);
    EXPECT_EQ(sample.faultMessage(),
              frame + " holds 3 bytes where the manifest lists " + std::to_string(frameSize));
    fs::remove(framePath);
    EXPECT_EQ(sample.faultMessage(), frame + " is missing");
    fs::create_directory(framePath);
    EXPECT_EQ(sample.faultMessage(), frame + " is not a plain file");
    fs::remove(framePath);
    fs::create_symlink(sample.root.hostPath(preferences), framePath);
    EXPECT_EQ(sample.faultMessage(), frame + " is not a plain file");
}

TEST(SampleRootManifestTest, AnIncompleteSampleRootMakesNoRootAndSaysHowToMendIt) {
    SmallSampleRoot sample;
    testing::TemporaryDeviceRoot scratch;
    fs::path userRoot = scratch.path() / "data/mine";
    fs::remove(sample.root.hostPath(frame));

    auto made = sample.runWithIt(scratch.path(), {"root"}, userRoot);
    EXPECT_EQ(made.status, 2);
    EXPECT_EQ(made.err, "velorin-sim: " + sample.root.path().string() +
                            ": is not a whole sample root (" + frame +
                            " is missing), so your device root was not made; point "
                            "VELORIN_SAMPLE_ROOT at a whole sample root, or unset it\n");
    EXPECT_FALSE(fs::exists(userRoot.parent_path())) << "nothing is made for it, not even a copy";

    // A reset keeps the root there is when no fresh one can be made.
    fs::create_directories(userRoot / "var/jb");
    auto reset = sample.runWithIt(scratch.path(), {"root", "--reset"}, userRoot);
    EXPECT_EQ(reset.status, 2);
    EXPECT_THAT(reset.err, HasSubstr("is not a whole sample root"));
    std::vector<std::string> beside;
    for (const auto& entry : fs::directory_iterator(userRoot.parent_path()))
        beside.push_back(entry.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string>{"mine"});
    EXPECT_TRUE(fs::is_directory(userRoot / "var/jb"));

    // Commands that need the user's root stop with the same fault.
    fs::remove_all(userRoot);
    auto listing = sample.runWithIt(scratch.path(), {"list"}, userRoot);
    EXPECT_EQ(listing.status, 2);
    EXPECT_THAT(listing.err, HasSubstr("your device root was not made"));
    EXPECT_FALSE(fs::exists(userRoot));
}

TEST(SampleRootManifestTest, ARootIsMadeOfTheListedFilesOnly) {
    SmallSampleRoot sample;
    sample.root.writeFile("var/jb/vod/Library/Velorin/chargingSequences/dots/stray.png", "x");
    testing::TemporaryDeviceRoot scratch;
    fs::path userRoot = scratch.path() / "mine";

    auto made = sample.runWithIt(scratch.path(), {"root"}, userRoot);
    ASSERT_EQ(made.status, 0) << made.err;
    std::vector<std::string> copied;
    for (const auto& entry : fs::recursive_directory_iterator(userRoot)) {
        if (entry.is_regular_file())
            copied.push_back(fs::relative(entry.path(), userRoot).string());
    }
    std::sort(copied.begin(), copied.end());
    EXPECT_EQ(copied, (std::vector<std::string>{frame, preferences}));
    EXPECT_EQ(testing::readWholeFile(userRoot / frame),
              testing::readWholeFile(sample.root.hostPath(frame)));
    auto settings = sample.runWithIt(scratch.path(), {"settings"}, userRoot);
    EXPECT_THAT(settings.out, HasSubstr("batteryanimation=dots"));
}

TEST(SampleRootManifestTest, TheBuiltSampleRootIsWholeAndListsEveryFile) {
    auto files = readWholeSampleRoot(VELORIN_BUILD_SAMPLE_ROOT);
    ASSERT_TRUE(files.ok()) << files.fault().text();
    std::vector<std::string> listed;
    for (const SampleRootFile& file : files.value())
        listed.push_back(file.path);
    std::vector<std::string> present;
    for (const auto& entry : fs::recursive_directory_iterator(VELORIN_BUILD_SAMPLE_ROOT)) {
        std::string path = fs::relative(entry.path(), VELORIN_BUILD_SAMPLE_ROOT).string();
        if (entry.is_regular_file() && path != sampleRootManifestName)
            present.push_back(path);
    }
    std::sort(present.begin(), present.end());
    EXPECT_EQ(listed, present);
    EXPECT_GT(listed.size(), 100u);
}

} // namespace
} // namespace velorin::tools
