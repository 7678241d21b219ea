// The placement `velorin-sim check --screen` reports and the options problems it names, on a
// 400 × 800 screen unless a test says otherwise.
#include "tests/support/FrameImages.h"
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"
#include "tools/check/OptionsProblems.h"
#include "tools/check/SequenceCheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;

constexpr ScreenSize tallScreen{400, 800};

// A sequence folder with one good frame, so that only the options can give problems.
class OptionsCheckTest : public ::testing::Test {
protected:
    OptionsCheckTest() { root.writeFile("sequence/frame1.png", testing::solidPng(450, 450, 9)); }

    std::string folder() const { return root.hostPath("sequence").string(); }
    void writeOptions(std::string_view text) { root.writeFile("sequence/options.json", text); }

    CheckReport check(ScreenSize screen = tallScreen) {
        auto result = checkSequenceFolder(folder(), screen);
        EXPECT_TRUE(result.ok());
        return result.ok() ? result.value() : CheckReport{};
    }
    CheckReport checkOptions(std::string_view text) {
        writeOptions(text);
        return check();
    }
    // The kinds of the options' problems; how the frame fits the box, and which pieces of the
    // lock screen the view covers, are other matters.
    std::vector<std::string> kinds(std::string_view text) {
        std::vector<std::string> found;
        for (const auto& problem : checkOptions(text).problems) {
            if (problem.file != "frame1.png" && problem.kind != ProblemKind::CoversLockScreen)
                found.emplace_back(problemKindName(problem.kind));
        }
        return found;
    }

    // The built velorin-sim's `check` of the folder, with these arguments after it.
    testing::SimOutcome command(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"check", folder()});
        return testing::runVelorinSim(root.path(), std::move(arguments));
    }
    int commandStatus(std::vector<std::string> arguments) {
        return command(std::move(arguments)).status;
    }

    testing::TemporaryDeviceRoot root;
};

struct Rectangle {
    float x, y, width, height, duration;
};

void expectPlacement(const CheckReport& report, Rectangle expected) {
    ASSERT_TRUE(report.placement);
    const auto& placement = report.placement->placement;
    EXPECT_EQ(placement.x, expected.x);
    EXPECT_EQ(placement.y, expected.y);
    EXPECT_EQ(placement.width, expected.width);
    EXPECT_EQ(placement.height, expected.height);
    EXPECT_EQ(placement.animationDuration, expected.duration);
}

TEST_F(OptionsCheckTest, BadScreenSizesAreUsageErrors) {
    for (const char* text : {"400", "0x800", "axb", "400x", "x800", "-400x800", "400x800x2",
                             "infx800", "nanx800", "400 x 800", ""}) {
        EXPECT_FALSE(parseScreenSize(text)) << text;
    }
    EXPECT_EQ(commandStatus({"--screen", "400"}), 2);
    EXPECT_EQ(commandStatus({"--screen", "0x800"}), 2);
    EXPECT_EQ(commandStatus({"--screen", "axb"}), 2);
    auto screen = parseScreenSize("375.5x812");
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->width, 375.5);
    EXPECT_EQ(screen->height, 812);
    EXPECT_EQ(screenSizeNote(*screen), std::nullopt);
    // A capital X reads the same; a size in pixels is read as points, with a note.
    auto pixels = parseScreenSize("1170X2532");
    ASSERT_TRUE(pixels);
    EXPECT_NE(screenSizeNote(*pixels).value_or("").find("390x844 points"), std::string::npos);
}

TEST_F(OptionsCheckTest, OptionsFileThatCannotBeReadGivesTheDefaultsAndSaysSo) {
    root.makeFolder("sequence/options.json");
    auto report = check();
    expectPlacement(report, {125, 630, 150, 150, 2});
    EXPECT_EQ(report.placement.value().source, OptionsSource::Unreadable);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].file, "options.json");
    EXPECT_EQ(problemKindName(report.problems[0].kind), "options-unreadable");
}

TEST_F(OptionsCheckTest, InvalidJsonIsPlacedByLineAndCharacterColumn) {
    auto report = checkOptions("{\n  \"width\": 200,\n  \"x\": \"\xc3\xa9\" x\n}");
    expectPlacement(report, {125, 630, 150, 150, 2});
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(problemKindName(report.problems[0].kind), "invalid-json");
    // The accented letter is one character, though two bytes.
    EXPECT_THAT(report.problems[0].message, HasSubstr("at line 3, column 12: syntax error"));

    for (std::string_view text : {"", "{\"width\": 200,}", "{\"width\": 1e999999}",
                                  "{\"x\": \"\xff\"}", "{\"width\": 200} {}", "// note\n{}"}) {
        EXPECT_THAT(kinds(text), ElementsAre("invalid-json")) << text;
        expectPlacement(check(), {125, 630, 150, 150, 2});
    }
    EXPECT_THAT(checkOptions("").problems[0].message, HasSubstr("is empty"));
    using namespace std::string_view_literals;
    EXPECT_THAT(checkOptions("{\"width\": 200}\n\0"sv).problems[0].message,
                HasSubstr("at line 2, column 1: a NUL byte"));
}

TEST_F(OptionsCheckTest, EachOptionsProblemIsNamedWithItsSeverity) {
    const auto error = Severity::Error;
    const auto warning = Severity::Warning;
    const std::vector<std::tuple<std::string_view, std::string, Severity>> cases{
        {"[1, 2]", "not-an-object", error},
        {"\"center\"", "not-an-object", error},
        {R"({"Width": 200})", "member-case", error},
        {R"({"ANIMATIONDURATION": 1, "animationDuration": 1})", "member-case", error},
        {R"({"animationDuraton": 3})", "unknown-member", error},
        {R"({"yOffsetFromBotom": 3})", "unknown-member", error},
        {R"({"widht": 3})", "unknown-member", error},
        {R"({"height": null})", "wrong-kind", error},
        {R"({"x": [100]})", "wrong-kind", error},
        {R"({"yOffsetFromBottom": {"value": 3}})", "wrong-kind", error},
        {R"({"width": true})", "wrong-kind", error},
        {R"({"x": "Center"})", "word-reads-as-zero", error},
        {R"({"x": "left"})", "word-reads-as-zero", error},
        {R"({"x": "bottom"})", "word-reads-as-zero", error},
        {R"({"y": "right"})", "word-reads-as-zero", error},
        {R"({"xOffsetFromBottom": "wide"})", "word-reads-as-zero", error},
        {R"({"xOffsetFromBottom": 10})", "unused-offset", warning},
        {R"({"x": "center", "xOffsetFromBottom": 10})", "unused-offset", warning},
        {R"({"y": 10, "yOffsetFromBottom": 0})", "unused-offset", warning},
        {R"({"width": 0})", "not-positive", error},
        {R"({"height": "-5"})", "not-positive", error},
        {R"({"animationDuration": 0})", "not-positive", error},
        {R"({"animationDuration": 4.5})", "longer-than-showing", warning},
        {R"({"x": "right", "xOffsetFromBottom": -10})", "off-screen", warning},
        {R"({"y": -1})", "off-screen", warning},
        {R"({"x": 1e300})", "off-screen", warning},
        {R"({"width": 500, "x": "center"})", "off-screen", warning},
        {R"({"z": 1, "author": "me"})", "unknown-member", Severity::Note},
    };
    for (const auto& [text, kind, severity] : cases) {
        auto report = checkOptions(text);
        std::vector<std::pair<std::string, Severity>> found;
        for (const auto& problem : report.problems) {
            if (problem.file == "options.json")
                found.emplace_back(problemKindName(problem.kind), problem.severity);
        }
        EXPECT_THAT(found, Contains(std::pair{kind, severity})) << text;
        EXPECT_EQ(report.status(),
                  severity == Severity::Error ? ExitStatus::ProblemsFound : ExitStatus::Success)
            << text;
    }
    EXPECT_EQ(
        checkOptions(R"({"animationDuraton": 3, "animationDuration": 1})").problems[0].message,
        "member \"animationDuraton\" is not read: did you mean `animationDuration`? the "
        "file's \"animationDuration\" is used");
}

TEST_F(OptionsCheckTest, UsualOptionsHaveNoProblems) {
    for (std::string_view text :
         {"{}", R"({"x": "right", "xOffsetFromBottom": 10, "y": "bottom", "yOffsetFromBottom": 0})",
          R"({"x": "center", "y": "center", "width": "200", "height": 300.5})",
          R"({"x": "  17px", "y": 0, "animationDuration": 4})",
          "\xef\xbb\xbf{\"width\": 400, \"x\": 0}"}) {
        EXPECT_THAT(kinds(text), IsEmpty()) << text;
    }
}

TEST_F(OptionsCheckTest, PlacementIsTheExtensionsOnATallScreen) {
    struct Case {
        std::string_view options;
        Rectangle expected;
    };
    const std::vector<Case> cases{
        {R"({"width": 200})", {125, 630, 200, 150, 2}},
        {R"({"x": "center", "width": 200})", {100, 630, 200, 150, 2}},
        {R"({"x": "right", "width": 100, "xOffsetFromBottom": 10})", {290, 630, 100, 150, 2}},
        {R"({"x": "right", "width": 100})", {300, 630, 100, 150, 2}},
        {R"({"x": "right", "animationDuration": 3})", {250, 630, 150, 150, 3}},
        {R"({"y": "bottom", "height": 100})", {125, 680, 150, 100, 2}},
        {R"({"y": "bottom", "height": 100, "yOffsetFromBottom": 0})", {125, 700, 150, 100, 2}},
        {R"({"y": "center", "height": 100, "width": 300})", {125, 350, 300, 100, 2}},
        {R"({"xOffsetFromBottom": 30, "yOffsetFromBottom": 0})", {125, 630, 150, 150, 2}},
        {R"({"x": 42.5})", {42.5f, 630, 150, 150, 2}},
        {R"({"x": "42.5"})", {42.5f, 630, 150, 150, 2}},
        {R"({"x": "Center"})", {0, 630, 150, 150, 2}},
        {R"({"x": "middle"})", {0, 630, 150, 150, 2}},
        {R"({"Width": 300})", {125, 630, 150, 150, 2}},
        {"", {125, 630, 150, 150, 2}},
        {"not json", {125, 630, 150, 150, 2}},
        {R"({"animationDuration": 9})", {125, 630, 150, 150, 9}},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.options);
        auto report = checkOptions(testCase.options);
        expectPlacement(report, testCase.expected);
        EXPECT_EQ(report.placement.value().source, OptionsSource::Read);
    }

    fs::remove(root.hostPath("sequence/options.json"));
    auto report = check();
    expectPlacement(report, {125, 630, 150, 150, 2});
    EXPECT_EQ(report.placement.value().source, OptionsSource::NoFile);
    EXPECT_THAT(report.problems, IsEmpty());
}

TEST_F(OptionsCheckTest, DefaultRectangleOffASmallScreenNamesTheFolder) {
    auto report = check({100, 100});
    expectPlacement(report, {-25, -70, 150, 150, 2});
    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_EQ(report.problems[0].kind, ProblemKind::OffScreen);
    EXPECT_EQ(report.problems[0].file, folder());
    EXPECT_EQ(report.problems[0].message,
              "the view (x -25, y -70, width 150, height 150) leaves the 100x100 screen: 25 "
              "points past the left edge, 25 points past the right edge, 70 points past the top "
              "edge");
}

TEST_F(OptionsCheckTest, AViewOverTheLockScreensPiecesGetsANoteWithThePointsItCovers) {
    // A 250-point box where the defaults put a 150-point one reaches the right button of a
    // phone with a home button, 320 points wide, and leaves the screen.
    writeOptions(R"({"width": 250})");
    auto small = check({320, 568});
    std::vector<const CheckProblem*> notes;
    for (const auto& problem : small.problems) {
        if (problem.kind == ProblemKind::CoversLockScreen)
            notes.push_back(&problem);
    }
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]->severity, Severity::Note);
    EXPECT_EQ(notes[0]->file, "options.json");
    EXPECT_EQ(notes[0]->message, "on a 320x568 screen the view covers the right button (x 252 to "
                                 "296, y 496 to 540) in points; the animation hides what it "
                                 "covers while it shows");
    ASSERT_TRUE(small.placement);
    ASSERT_EQ(small.placement->covered.size(), 1u);
    EXPECT_EQ(small.placement->covered[0].overlap, platform::CGRectMake(252, 496, 44, 44));
    EXPECT_EQ(small.status(Strictness::WarningsToo), ExitStatus::ProblemsFound)
        << "leaving the screen is still a warning";
    EXPECT_EQ(small.count(Severity::Error), 0u);

    // Placed over the top of the page it covers the clock and the date, each named.
    writeOptions(R"({"x": 0, "y": 100, "width": 400, "height": 100})");
    auto top = check();
    ASSERT_TRUE(top.placement);
    ASSERT_EQ(top.placement->covered.size(), 2u);
    EXPECT_EQ(top.placement->covered[0].piece, "the clock");
    EXPECT_EQ(top.placement->covered[1].piece, "the date");
    auto json = reportToJson(top);
    EXPECT_EQ(json["covers"][0]["piece"], "the clock");
    EXPECT_EQ(json["covers"][1]["y"], 186);

    // Without a screen there is no placement, and so nothing covered.
    auto withoutScreen = checkSequenceFolder(folder(), std::nullopt);
    ASSERT_TRUE(withoutScreen.ok());
    for (const auto& problem : withoutScreen.value().problems)
        EXPECT_NE(problem.kind, ProblemKind::CoversLockScreen);
}

TEST_F(OptionsCheckTest, CommandPrintsThePlacementOnlyWithAScreenButTheProblemsAlways) {
    writeOptions(R"({"x": "right", "animationDuration": 3, "Width": 1})");
    auto run = [this](std::vector<std::string> arguments) {
        return command(std::move(arguments)).out;
    };
    auto json = nlohmann::json::parse(run({"--screen", "400x800", "--json"}));
    EXPECT_EQ(json["placement"], nlohmann::json::parse(R"({"x": 250, "y": 630, "width": 150,
                                    "height": 150, "animationDuration": 3})"));
    EXPECT_EQ(json["problems"][0]["kind"], "member-case");
    EXPECT_EQ(commandStatus({"--screen", "400x800"}), 1);

    // The options' problems are found without a screen too; the placement is not.
    auto withoutScreen = nlohmann::json::parse(run({"--json"}));
    EXPECT_FALSE(withoutScreen.contains("placement"));
    EXPECT_EQ(withoutScreen["problems"][0]["kind"], "member-case");
    EXPECT_EQ(commandStatus({}), 1);
    EXPECT_THAT(run({"--screen", "400x800"}),
                HasSubstr("Placement on a 400x800 screen, from options.json: x 250, y 630, width "
                          "150, height 150; one run through the frames lasts 3 s\n"));
}

} // namespace
} // namespace velorin::tools
