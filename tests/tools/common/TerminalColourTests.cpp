// Colour on a terminal only: the severities and verdicts coloured, nothing else changed, and
// plain text whenever the output is not a terminal or NO_COLOR is set.
#include "tests/support/TemporaryDeviceRoot.h"
#include "tests/tools/common/SimProcess.h"
#include "tools/common/TerminalColour.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

namespace velorin::tools {
namespace {

const std::string red = "\033[1;31m";
const std::string yellow = "\033[1;33m";
const std::string reset = "\033[0m";

TEST(TerminalColourTest, SeveritiesAndCountsAreColouredAndTheWordsStay) {
    const std::string report = "Problems: 2 errors, 0 warnings, 1 note\n"
                               "  error: 10.png: order: plays after 9.png\n"
                               "  warning: terror: a name, not a severity\n"
                               "velorin-sim: note: the folder is used\n"
                               "No problems: the folder plays as its names suggest.\n";
    EXPECT_EQ(coloured(report, Colouring::Plain), report);
    std::string text = coloured(report, Colouring::Coloured);
    EXPECT_NE(text.find("Problems: " + red + "2 errors" + reset + ", 0 warnings, 1 note\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  " + red + "error:" + reset + " 10.png"), std::string::npos);
    EXPECT_NE(text.find("  " + yellow + "warning:" + reset + " terror: a name"), std::string::npos);
    EXPECT_NE(text.find("velorin-sim: \033[1;36mnote:" + reset + " the folder"), std::string::npos);
    EXPECT_NE(text.find("\033[1;32mNo problems" + reset + ": the folder"), std::string::npos);
    // Without the escapes, the text is the same.
    std::string stripped;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\033')
            at = text.find('m', at);
        else
            stripped += text[at];
    }
    EXPECT_EQ(stripped, report);
}

TEST(TerminalColourTest, OnlyATerminalWithoutNoColorGetsColour) {
    int terminal = -1;
    int other = -1;
    ASSERT_EQ(::openpty(&terminal, &other, nullptr, nullptr, nullptr), 0);
    std::FILE* onTerminal = ::fdopen(other, "w");
    ASSERT_NE(onTerminal, nullptr);
    const char* noColour = std::getenv("NO_COLOR");
    std::string saved = noColour ? noColour : "";
    const char* term = std::getenv("TERM");
    std::string savedTerm = term ? term : "";
    ::setenv("TERM", "xterm", 1);
    ::unsetenv("NO_COLOR");
    EXPECT_EQ(colouringFor(onTerminal), Colouring::Coloured);
    ::setenv("NO_COLOR", "", 1);
    EXPECT_EQ(colouringFor(onTerminal), Colouring::Coloured);
    ::setenv("NO_COLOR", "1", 1);
    EXPECT_EQ(colouringFor(onTerminal), Colouring::Plain);
    ::unsetenv("NO_COLOR");
    ::setenv("TERM", "dumb", 1);
    EXPECT_EQ(colouringFor(onTerminal), Colouring::Plain);
    if (noColour)
        ::setenv("NO_COLOR", saved.c_str(), 1);
    if (term)
        ::setenv("TERM", savedTerm.c_str(), 1);
    else
        ::unsetenv("TERM");
    std::fclose(onTerminal);
    ::close(terminal);

    // What the tool writes to a pipe has no colour in it.
    testing::TemporaryDeviceRoot scratch;
    auto warned =
        testing::runVelorinSim(scratch.path(), {"prefs", "set", "enablebatteryanimation", "false"});
    EXPECT_EQ(warned.status, 0) << warned.err;
    EXPECT_NE(warned.err.find("velorin-sim: warning: "), std::string::npos) << warned.err;
    EXPECT_EQ(warned.err.find('\033'), std::string::npos);
}

} // namespace
} // namespace velorin::tools
