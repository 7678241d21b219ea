#include "animation/DecodingBudget.h"
#include "platform/DeviceFileSystem.h"
#include "sequences/FrameListing.h"
#include "sequences/SequenceOptions.h"
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/import/TestMedia.h"
#include "tests/tools/common/SequenceFolders.h"
#include "tools/check/CheckReport.h"
#include "tools/check/SequenceCheck.h"
#include "tools/common/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A sequence folder on this machine, laid out by each test.
class SequenceCheckTest : public ::testing::Test {
protected:
    SequenceCheckTest() { fs::create_directories(folder()); }

    std::string folder() const { return root.hostPath("sequence").string(); }
    void writeFrame(const std::string& name, std::uint32_t width = 450,
                    std::uint32_t height = 450) {
        testing::writeFrames(folder(), {name}, width, height);
    }
    void writeFrames(const std::vector<std::string>& names) {
        for (const auto& name : names)
            writeFrame(name);
    }
    void writeBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(fs::path(folder()) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    CheckReport check() {
        auto result = checkSequenceFolder(folder());
        EXPECT_TRUE(result.ok());
        return result.ok() ? result.value() : CheckReport{};
    }

    // The command as velorin-sim runs it: its exit status and what it printed.
    struct CommandOutcome {
        int status{-1};
        std::string output;
        std::string errors;
    };
    static CommandOutcome runCommand(std::vector<std::string> arguments) {
        CLI::App application;
        CommandOutcome run;
        const Command& check =
            *std::find_if(commandTable().begin(), commandTable().end(), [](const Command& command) {
                return std::string_view(command.name) == "check";
            });
        CommandRun checking = check.addOptions(*application.add_subcommand(check.name));
        application.callback([&] { run.status = checking(); });
        arguments.insert(arguments.begin(), "check");
        std::reverse(arguments.begin(), arguments.end());
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        application.parse(arguments);
        run.output = ::testing::internal::GetCapturedStdout();
        run.errors = ::testing::internal::GetCapturedStderr();
        return run;
    }

    testing::TemporaryDeviceRoot root;
};

std::vector<std::pair<std::string, std::string>> fileAndKind(const CheckReport& report) {
    std::vector<std::pair<std::string, std::string>> problems;
    for (const auto& problem : report.problems)
        problems.emplace_back(problem.file, std::string(problemKindName(problem.kind)));
    return problems;
}

TEST_F(SequenceCheckTest, FolderThatCannotBeReadExitsTwoNamingIt) {
    auto missing = folder() + "/missing";
    auto run = runCommand({missing});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.errors, "velorin-sim: " + missing + ": no such sequence folder\n");
    EXPECT_EQ(run.output, "");

    writeFrame("frame1.png");
    auto file = folder() + "/frame1.png";
    EXPECT_EQ(runCommand({file, "--json"}).status, 2);

    if (::geteuid() != 0) {
        fs::permissions(folder(), fs::perms::none);
        auto unreadable = runCommand({folder()});
        fs::permissions(folder(), fs::perms::owner_all);
        EXPECT_EQ(unreadable.status, 2);
        EXPECT_EQ(unreadable.errors, "velorin-sim: " + folder() + ": cannot read the folder\n");
    }
}

// What each name listed first does to the order: an error where the frames play in another
// order than their names, or where every frame shares one key so that the listing alone orders
// them; a warning where some frames share a key or where a right order rests on cut windows;
// and nothing where the order is the names'.
TEST_F(SequenceCheckTest, TheOrderIsJudgedForEveryNameThatMayBeListedFirst) {
    struct Case {
        std::vector<std::string> frames;
        std::vector<std::tuple<std::string, std::string, Severity>> problems;
    };
    const std::string all = folder();
    const std::vector<Case> cases{
        {{"a1.png", "a2.png", "a10.png"}, {{all, "order-differs", Severity::Error}}},
        {{"fr3.png", "frame1.png", "frame2.png"}, {{"fr3.png", "order-differs", Severity::Error}}},
        {{"frame1.png", "frame2.png", "image.png"},
         {{all, "order-differs", Severity::Error}, {"image.png", "equal-keys", Severity::Error}}},
        {{"0.png", "1.png", "2.png"}, {{all, "equal-keys", Severity::Error}}},
        {{"anim2_001.png", "anim2_002.png"}, {{all, "equal-keys", Severity::Error}}},
        {{"frame1.png", "frame01.png", "frame2.png"}, {{all, "equal-keys", Severity::Warning}}},
        {{"cover.png", "frame1.png", "frame2.png"}, {{"cover.png", "equal-keys", Severity::Error}}},
        {{"particlespin_1.png", "particlespin_2.png"}, {{all, "window-cut", Severity::Warning}}},
        {{"frame1.png", "frame2.png", "FRAME3.PNG"},
         {{"FRAME3.PNG", "extension-case", Severity::Warning}}},
        {{}, {{all, "no-frames", Severity::Error}}},
        {{"img_0001.png", "img_0002.png", "img_0120.png"}, {}},
        {{"cover.png"}, {}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.frames.empty() ? "no frames" : testCase.frames.front());
        fs::remove_all(folder());
        fs::create_directories(folder());
        writeFrames(testCase.frames);
        std::vector<std::tuple<std::string, std::string, Severity>> found;
        auto report = check();
        for (const auto& problem : report.problems)
            found.emplace_back(problem.file, problemKindName(problem.kind), problem.severity);
        EXPECT_THAT(found, ElementsAreArray(testCase.problems));
        bool orderProblem = std::any_of(found.begin(), found.end(), [](const auto& problem) {
            return std::get<1>(problem) == "order-differs" || std::get<1>(problem) == "equal-keys";
        });
        EXPECT_EQ(report.playsInNaturalOrder(), !orderProblem && !testCase.frames.empty());
    }

    // Where the order goes wrong, and why the window reads what it does.
    fs::remove_all(folder());
    writeFrames(testing::numberedFrameNames("a", 1, 12));
    auto report = check();
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].message,
              "whichever frame is listed first (prefix length 1), the frames play in another "
              "order than their names: \"a10.png\" (window \"1\", key 1: its number has 2 "
              "digits, more than the 1 the window holds) plays before \"a2.png\" (key 2); "
              "\"a11.png\" (window \"1\", key 1: its number has 2 digits, more than the 1 the "
              "window holds) plays before \"a2.png\" (key 2); \"a12.png\" (window \"1\", key 1: "
              "its number has 2 digits, more than the 1 the window holds) plays before "
              "\"a2.png\" (key 2); rename the frames to one prefix without digits followed by "
              "numbers padded with zeros, such as frame01.png to frame12.png");
}

TEST_F(SequenceCheckTest, FramesThatFailToDecodeOrDifferInSizeAreProblems) {
    writeFrames({"frame1.png", "frame2.png", "frame3.png"});
    writeFrame("frame4.png", 8, 6);
    writeBytes("frame5.png", {'n', 'o', 't'});
    fs::create_directory(fs::path(folder()) / "frame6.png");
    auto report = check();
    EXPECT_THAT(fileAndKind(report), ElementsAre(std::pair{"frame6.png", "undecodable"},
                                                 std::pair{"frame5.png", "not-png"},
                                                 std::pair{"frame4.png", "size-mismatch"},
                                                 std::pair{"frame4.png", "smaller-than-shown"},
                                                 std::pair{"frame4.png", "other-proportions"}));
    EXPECT_FALSE(report.frames[4].size);
    EXPECT_EQ(report.frames[3].size, (PixelSize{8, 6}));
}

TEST_F(SequenceCheckTest, FilesPastTheExtensionsReadLimitsAreNamedWithTheLimit) {
    writeFrames({"frame1.png", "frame3.png"});
    // 64 GiB each that take no room on the disk.
    writeBytes("frame2.png", {});
    fs::resize_file(fs::path(folder()) / "frame2.png", std::uintmax_t{64} << 30);
    writeBytes("options.json", {});
    fs::resize_file(fs::path(folder()) / "options.json", std::uintmax_t{64} << 30);
    auto report = check();
    EXPECT_THAT(fileAndKind(report), ElementsAre(std::pair{"frame2.png", "frame-too-large"},
                                                 std::pair{"options.json", "options-too-large"}));
    EXPECT_EQ(report.problems[0].message,
              "is 64 GiB, larger than the 64 MiB the extension reads for a frame; it is left out");
    auto run = runCommand({folder(), "--screen", "390x844"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.output, ::testing::HasSubstr(
                                "options.json: options-too-large: is 64 GiB, larger than the 1 MiB "
                                "the extension reads; it is refused whole and every option has "
                                "its default"));
    EXPECT_THAT(run.output, ::testing::HasSubstr("screen, the defaults (options.json is past"));

    // Nested one level past the limit, with members that would otherwise be read.
    std::string nested = R"({"width": 40, "deep": )";
    for (std::size_t level = 0; level < optionsNestingLimit; ++level)
        nested += "[";
    nested += std::string(optionsNestingLimit, ']') + "}";
    writeBytes("options.json", std::vector<std::uint8_t>(nested.begin(), nested.end()));
    auto deep = checkSequenceFolder(folder(), ScreenSize{390, 844});
    ASSERT_TRUE(deep.ok());
    EXPECT_THAT(fileAndKind(deep.value()),
                ElementsAre(std::pair{"frame2.png", "frame-too-large"},
                            std::pair{"options.json", "options-too-deep"}));
    EXPECT_EQ(deep.value().placement->placement.width, 150) << "the defaults";
}

TEST_F(SequenceCheckTest, AFolderPastTheListingLimitIsNamed) {
    for (std::size_t entry = 0; entry <= folderListingLimit; ++entry)
        std::ofstream(fs::path(folder()) / ("note" + std::to_string(entry) + ".txt"));
    auto report = check();
    EXPECT_THAT(fileAndKind(report),
                ElementsAre(std::pair{folder(), "listing-cut"}, std::pair{folder(), "no-frames"}));
    EXPECT_THAT(report.problems[0].message, ::testing::HasSubstr("more than 10000 entries"));
    fs::remove(fs::path(folder()) / "note0.txt");
    EXPECT_THAT(fileAndKind(check()), ElementsAre(std::pair{folder(), "no-frames"}));
}

TEST_F(SequenceCheckTest, FramesPastTheBudgetAreCountedAsTheShowingAdmitsThem) {
    // Frames of 64 MiB decoded: eight fill the budget exactly. The second frame claims that
    // size too but fails to decode, so it takes nothing; the tenth is the first that does not
    // fit.
    std::vector<std::uint8_t> large = testing::solidPng(4096, 4096, 200);
    std::vector<std::uint8_t> broken = large;
    broken[broken.size() / 2] ^= 0xFF;
    for (int number = 1; number <= 10; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "frame%02d.png", number);
        writeBytes(name, number == 2 ? broken : large);
    }
    writeFrame("frame11.png", 4, 4);
    auto report = check();
    EXPECT_EQ(report.decodedBytes, 9 * (std::uint64_t{64} << 20) + 4 * 4 * 4);
    EXPECT_EQ(report.framesWithinBudget, 8u);
    EXPECT_THAT(fileAndKind(report), ElementsAre(std::pair{"frame02.png", "undecodable"},
                                                 std::pair{folder(), "over-budget"},
                                                 std::pair{"frame11.png", "size-mismatch"},
                                                 std::pair{folder(), "larger-than-shown"},
                                                 std::pair{"frame11.png", "smaller-than-shown"}));
    EXPECT_EQ(report.problems[1].message,
              "its frames decode to 576.0 MiB, more than the 512 MiB a showing may hold: only "
              "the first 8 of the 11 frames play, and frame10.png and every frame after it are "
              "left out");
    EXPECT_EQ(report.status(), ExitStatus::ProblemsFound);
    auto json = reportToJson(report);
    EXPECT_EQ(json["budgetBytes"], showingMemoryBudgetBytes);
    EXPECT_EQ(json["framesWithinBudget"], 8);
}

TEST_F(SequenceCheckTest, TheDecodedSizeIsGivenWithinTheBudgetToo) {
    writeFrame("frame1.png", 4, 4);
    writeFrame("frame2.png", 4, 4);
    auto run = runCommand({folder()});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.output, ::testing::HasSubstr(
                                "Decoded size: 128 bytes of the 512 MiB a showing may hold\n"));
}

TEST_F(SequenceCheckTest, WellNamedFolderHasNoProblems) {
    for (int number = 12; number >= 1; --number)
        writeFrame("frame" + std::to_string(number) + ".png");
    writeBytes("options.json", {'{', '}'});
    fs::create_directory(fs::path(folder()) / "extras");
    auto report = check();
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(report.prefixLength, 5);
    EXPECT_EQ(report.prefixSource, "frame1.png");
    ASSERT_EQ(report.frames.size(), 12u);
    EXPECT_EQ(report.frames[11].name, "frame12.png");
    EXPECT_EQ(report.frames[11].window, "12.pn");

    auto run = runCommand({folder(), "--frames"});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.output, ::testing::HasSubstr("12. frame12.png  window \"12.pn\"  key 12"));
    // The extension's device root is left as it was.
    EXPECT_EQ(platform::deviceRoot(), root.path().string());
}

TEST_F(SequenceCheckTest, OneFrameNeedsNoNumber) {
    writeFrame("cover.png");
    EXPECT_TRUE(check().problems.empty());
}

TEST_F(SequenceCheckTest, JsonReportHoldsFramesWindowsAndProblems) {
    writeFrames({"a1.png", "a2.png", "a10.png",
                 "\xff"
                 "bad.png"});
    auto run = runCommand({folder(), "--json"});
    EXPECT_EQ(run.status, 1);
    auto json = nlohmann::json::parse(run.output);
    EXPECT_EQ(json["prefixLength"], 1);
    EXPECT_EQ(json["prefixSource"], "a1.png");
    EXPECT_THAT(json["frames"].get<std::vector<std::string>>(),
                ElementsAreArray({"\xef\xbf\xbd"
                                  "bad.png",
                                  "a1.png", "a10.png", "a2.png"}));
    const auto& tied = json["frameDetails"][2];
    EXPECT_EQ(tied["file"], "a10.png");
    EXPECT_EQ(tied["window"], "1");
    EXPECT_EQ(tied["key"], 1);
    EXPECT_EQ(tied["windowCut"], false);
    EXPECT_EQ(tied["width"], 450);
    ASSERT_FALSE(json["problems"].empty());
    for (const auto& problem : json["problems"]) {
        EXPECT_TRUE(problem["file"].is_string());
        EXPECT_TRUE(problem["kind"].is_string());
        EXPECT_TRUE(problem["message"].is_string());
    }
    EXPECT_EQ(json["problems"][0]["kind"], "order-differs");
    EXPECT_EQ(json["problems"][0]["severity"], "error");
    // A name without digits listed first reads every key as 0: the listing alone orders them.
    EXPECT_EQ(json["errors"], 2);
    EXPECT_EQ(json["naturalOrder"], false);
    EXPECT_EQ(json["orders"][0]["prefixLength"], 1);
    EXPECT_EQ(json["orders"][0]["verdict"], "other");
}

// The verdict comes first; the frames are listed only when asked, and --quiet gives the verdict
// alone with the same exit status.
TEST_F(SequenceCheckTest, TheVerdictComesFirstAndTheFramesOnlyWhenAsked) {
    writeFrames(testing::numberedFrameNames("frame", 1, 3));
    auto run = runCommand({folder()});
    EXPECT_EQ(run.status, 0);
    EXPECT_THAT(run.output, StartsWith(folder() + ": no problems; 3 frames play, in the order of "
                                                  "their names, one run in 2 s\n"));
    EXPECT_THAT(run.output, HasSubstr("Frames in playing order: 3 (--frames lists them)\n"));
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("frame1.png")));
    EXPECT_THAT(runCommand({folder(), "--verbose"}).output, HasSubstr("\n  3. frame3.png  "));

    fs::remove_all(folder());
    writeFrames(testing::numberedFrameNames("a", 1, 12));
    auto quiet = runCommand({folder(), "--quiet"});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.output, folder() + ": 1 error, 0 warnings, 0 notes; 12 frames play, in "
                                       "another order than their names, one run in 2 s\n");
    auto full = runCommand({folder()});
    EXPECT_EQ(full.status, 1);
    EXPECT_THAT(full.output, StartsWith(quiet.output + "Problems:\n  error: " + folder() +
                                        ": order-differs: "));
    EXPECT_EQ(runCommand({folder(), "--quiet", "--strict"}).status, 1);
}

// The frames are listed in the order the device plays when it lists the folder by name: frames
// that share a key keep that listing's order, and a note says it is not their names' order.
TEST_F(SequenceCheckTest, TheFramesAreListedInTheOrderThatReallyPlays) {
    writeFrames(testing::numberedFrameNames("", 1, 12));
    auto report = check();
    std::vector<std::string> played;
    for (const auto& frame : report.frames)
        played.push_back(frame.name);
    EXPECT_THAT(played, ElementsAre("1.png", "10.png", "11.png", "12.png", "2.png", "3.png",
                                    "4.png", "5.png", "6.png", "7.png", "8.png", "9.png"));
    EXPECT_FALSE(report.listedOrderIsNatural());
    auto run = runCommand({folder(), "--frames"});
    EXPECT_THAT(run.output, HasSubstr("  2. 10.png  window \"\"  key 0  450x450\n"));
    EXPECT_THAT(run.output, HasSubstr("\n  Note: this is the order the device plays when it lists "
                                      "the folder by name, as here, and it is not the order of "
                                      "their names (see the problems above)\n"));

    // A name listed first that sets another prefix length orders the rest by it.
    fs::remove_all(folder());
    writeFrames({"cover.png", "frame1.png", "frame2.png", "frame10.png"});
    report = check();
    EXPECT_EQ(report.prefixSource, "cover.png");
    EXPECT_EQ(report.prefixLength, 0);
    EXPECT_EQ(report.frames.front().name, "cover.png");
    EXPECT_EQ(report.frames.back().name, "frame2.png");
}

TEST_F(SequenceCheckTest, ProblemsOfOneKindFoundInSeveralFilesTakeOneLine) {
    writeFrames({"frame1.png", "frame2.png", "FRAME3.PNG", "FRAME4.PNG", "Frame5.Png"});
    fs::create_directory(fs::path(folder()) / "frame6.png");
    fs::create_directory(fs::path(folder()) / "frame7.png");
    auto report = check();
    EXPECT_THAT(fileAndKind(report), ElementsAre(std::pair{folder(), "extension-case"},
                                                 std::pair{folder(), "undecodable"}));
    EXPECT_EQ(report.problems[0].message,
              "3 files, FRAME3.PNG, FRAME4.PNG and Frame5.Png: each is not a frame: only names "
              "ending in \".png\", in lower case, are played");
    EXPECT_THAT(reportToJson(report)["problems"][1]["files"].get<std::vector<std::string>>(),
                ElementsAre("frame6.png", "frame7.png"));
    auto run = runCommand({folder()});
    EXPECT_THAT(run.output, HasSubstr("\n  warning: " + folder() + ": extension-case: 3 files, "));
    EXPECT_THAT(run.output, StartsWith(folder() + ": 1 error, 1 warning, 0 notes; 2 of 4 frames "
                                                  "play, in the order of their names"));

    // A problem found in one file stays that file's.
    fs::remove(fs::path(folder()) / "FRAME4.PNG");
    fs::remove(fs::path(folder()) / "Frame5.Png");
    EXPECT_THAT(fileAndKind(check()), ElementsAre(std::pair{"FRAME3.PNG", "extension-case"},
                                                  std::pair{folder(), "undecodable"}));
}

// A folder without frames but with pictures import reads points to the command that makes a
// sequence of them: the one file, or the folder.
TEST_F(SequenceCheckTest, AFolderOfPicturesImportReadsPointsToImport) {
    testing::writeBytes(fs::path(folder()) / "notes.txt", "frames to come");
    const std::string blank = "holds no frame (no name ends in \".png\"); the animation stays blank";
    auto report = check();
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].message, blank);

    testing::writeGif(fs::path(folder()) / "ring.gif", testing::coloredFrames(3, 100));
    report = check();
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].message, blank + "; import reads ring.gif (GIF): velorin-sim "
                                                  "import " +
                                              folder() + "/ring.gif makes a sequence of it");
    EXPECT_EQ(report.status(), ExitStatus::ProblemsFound);

    testing::writeGif(fs::path(folder()) / "spark.gif", testing::coloredFrames(2, 100));
    report = check();
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_THAT(report.problems[0].message,
                HasSubstr("; import reads its pictures (GIF: ring.gif and spark.gif): velorin-sim "
                          "import " +
                          folder() + " makes a sequence of them"));
}

TEST_F(SequenceCheckTest, FolderIsLeftUnchanged) {
    writeFrames({"frame1.png", "frame2.png", "FRAME3.PNG"});
    writeBytes("frame4.png", {'x'});
    auto snapshot = [this] {
        std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> entries;
        for (const auto& entry : fs::directory_iterator(folder()))
            entries[entry.path().filename().string()] = {
                entry.is_regular_file() ? entry.file_size() : 0, entry.last_write_time()};
        return entries;
    };
    auto before = snapshot();
    EXPECT_EQ(runCommand({folder(), "--json"}).status, 1);
    EXPECT_EQ(runCommand({folder()}).status, 1);
    EXPECT_EQ(snapshot(), before);
}

} // namespace
} // namespace velorin::tools
