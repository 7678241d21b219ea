#include "sim/ScenarioReader.h"

#include "common/QuoteText.h"
#include "host/HostInterface.h"
#include "sim/HostProfile.h"

#include <charconv>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace velorin::sim {

namespace {

// A fault in the statement being read; the reader adds the line.
struct StatementFault {
    std::string message;
};

[[noreturn]] void fail(std::string message) {
    throw StatementFault{std::move(message)};
}

bool isSpace(char character) {
    return character == ' ' || character == '\t';
}

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isValidUtf8(std::string_view text) {
    std::size_t index = 0;
    while (index < text.size()) {
        auto lead = static_cast<unsigned char>(text[index]);
        std::size_t length = 0;
        std::uint32_t codePoint = 0;
        if (lead < 0x80) {
            ++index;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (index + length > text.size())
            return false;
        for (std::size_t offset = 1; offset < length; ++offset) {
            auto continuation = static_cast<unsigned char>(text[index + offset]);
            if ((continuation & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (continuation & 0x3F);
        }
        // Overlong forms, surrogates and values past the last code point are not UTF-8.
        static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        index += length;
    }
    return true;
}

// The line up to a "#" that is not inside a string in double quotes.
std::string_view withoutComment(std::string_view line) {
    bool inString = false;
    for (std::size_t index = 0; index < line.size(); ++index) {
        char character = line[index];
        if (inString && character == '\\') {
            ++index;
        } else if (character == '"') {
            inString = !inString;
        } else if (character == '#' && !inString) {
            return line.substr(0, index);
        }
    }
    return line;
}

// The words of one statement, read from the front.
class Words {
public:
    explicit Words(std::string_view text) : m_text(trim(text)) {}

    bool atEnd() const { return m_text.empty(); }

    std::string_view next(std::string_view what) {
        if (m_text.empty())
            fail("missing " + std::string(what));
        std::size_t end = 0;
        while (end < m_text.size() && !isSpace(m_text[end]))
            ++end;
        std::string_view word = m_text.substr(0, end);
        m_text = trim(m_text.substr(end));
        return word;
    }

    // Whatever is left of the statement.
    std::string_view rest() {
        std::string_view remainder = m_text;
        m_text = {};
        return remainder;
    }

    void expectEnd() {
        if (!m_text.empty())
            fail("unexpected " + common::quoteText(m_text));
    }

private:
    std::string_view m_text;
};

// Whether the text is digits with an optional point: "12", "12.5", "12.", ".5".
bool isUnsignedDecimal(std::string_view text) {
    std::size_t digits = 0, points = 0;
    for (char character : text) {
        if (isDigit(character))
            ++digits;
        else if (character == '.')
            ++points;
        else
            return false;
    }
    return digits > 0 && points <= 1;
}

bool isSignedDecimal(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    return isUnsignedDecimal(text);
}

double toDouble(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        fail("bad number " + common::quoteText(text));
    return value;
}

// Seconds as exact nanoseconds, without going through a binary fraction.
constexpr std::uint64_t largestSeconds = 3'000'000'000;

std::uint64_t parseSeconds(std::string_view text, std::string_view what) {
    if (!isUnsignedDecimal(text))
        fail("bad " + std::string(what) + " " + common::quoteText(text) +
             ": expected seconds, such as 1.5");
    std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (fraction.size() > 9)
        fail("bad " + std::string(what) + " " + common::quoteText(text) +
             ": at most nine decimals (nanoseconds)");
    while (whole.size() > 1 && whole.front() == '0')
        whole.remove_prefix(1);
    std::uint64_t seconds = 0;
    if (!whole.empty()) {
        auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
        if (error != std::errc() || seconds > largestSeconds)
            fail("bad " + std::string(what) + " " + common::quoteText(text) + ": too large");
    }
    std::uint64_t nanoseconds = 0;
    for (std::size_t index = 0; index < 9; ++index)
        nanoseconds = nanoseconds * 10 + (index < fraction.size() ? fraction[index] - '0' : 0);
    return seconds * nanosecondsPerSecond + nanoseconds;
}

// A string in double quotes, in which \" and \\ stand for a quote and a backslash.
std::string parseQuotedString(std::string_view text) {
    std::string value;
    for (std::size_t index = 1; index < text.size(); ++index) {
        char character = text[index];
        if (character == '\\' && index + 1 < text.size() &&
            (text[index + 1] == '"' || text[index + 1] == '\\')) {
            value += text[++index];
        } else if (character == '"') {
            if (index + 1 != text.size())
                fail("unexpected " + common::quoteText(trim(text.substr(index + 1))) +
                     " after the string");
            return value;
        } else {
            value += character;
        }
    }
    fail("the string " + std::string(text) + " has no closing double quote");
}

platform::PropertyValue parseValue(std::string_view text) {
    if (text.empty())
        fail("missing value");
    if (text == "true")
        return platform::PropertyValue::boolean(true);
    if (text == "false")
        return platform::PropertyValue::boolean(false);
    if (text.front() == '"')
        return platform::PropertyValue::string(parseQuotedString(text));
    if (isSignedDecimal(text)) {
        if (text.find('.') != std::string_view::npos)
            return platform::PropertyValue::real(toDouble(text));
        std::string_view digits = text.front() == '+' ? text.substr(1) : text;
        std::int64_t value = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size())
            fail("the integer " + std::string(text) + " is out of range");
        return platform::PropertyValue::integer(value);
    }
    fail("bad value " + common::quoteText(text) +
         ": expected true, false, an integer, a real (with a point) or a string in double quotes");
}

double parseCoordinate(std::string_view text) {
    if (!isSignedDecimal(text))
        fail("bad coordinate " + common::quoteText(text) + ": expected a number of points");
    return toDouble(text);
}

platform::CGSize parseScreen(std::string_view text) {
    std::size_t cross = text.find('x');
    if (cross == std::string_view::npos || !isUnsignedDecimal(text.substr(0, cross)) ||
        !isUnsignedDecimal(text.substr(cross + 1)))
        fail("bad screen size " + common::quoteText(text) +
             ": expected WIDTHxHEIGHT in points, such as 390x844");
    platform::CGSize size{toDouble(text.substr(0, cross)), toDouble(text.substr(cross + 1))};
    if (size.width <= 0 || size.height <= 0)
        fail("bad screen size " + common::quoteText(text) + ": both sides must be above zero");
    return size;
}

bool parseChoice(std::string_view text, std::string_view yes, std::string_view no,
                 std::string_view statement) {
    if (text == yes)
        return true;
    if (text == no)
        return false;
    fail(std::string(statement) + " must be " + std::string(yes) + " or " + std::string(no) +
         ", not " + common::quoteText(text));
}

class Reader {
public:
    common::Result<Scenario> read(std::string_view text);

private:
    void readStatement(std::string_view statement);
    void readSetUp(std::string_view word, Words& words);
    void readEvent(Words& words);
    void noteSingle(std::string_view word);

    Scenario m_scenario;
    int m_line{0};
    std::map<std::string, int, std::less<>> m_singleStatements;
    std::string m_previousTime;
    std::uint64_t m_previousEventTime{0};
    int m_previousEventLine{0};
    int m_launchLine{0};
    int m_endLine{0};
};

common::Result<Scenario> Reader::read(std::string_view text) {
    // A byte-order mark says nothing in UTF-8; editors that write one mean no text by it.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    try {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t newline = text.find('\n', start);
            if (newline == std::string_view::npos)
                newline = text.size();
            std::string_view line = text.substr(start, newline - start);
            start = newline + 1;
            ++m_line;
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            if (!isValidUtf8(line))
                fail("the line is not UTF-8 text");
            if (line.find('\0') != std::string_view::npos)
                fail("the line holds a NUL character");
            readStatement(line);
        }
    } catch (const StatementFault& statementFault) {
        common::Fault fault(statementFault.message);
        fault.line = m_line;
        return fault;
    }
    return std::move(m_scenario);
}

void Reader::readStatement(std::string_view line) {
    Words words(withoutComment(line));
    if (words.atEnd())
        return;
    std::string_view word = words.next("statement");
    if (word == "at") {
        readEvent(words);
        return;
    }
    if (!m_scenario.events.empty())
        fail("the set-up statement " + common::quoteText(word) +
             " comes after the first timed event");
    readSetUp(word, words);
}

void Reader::noteSingle(std::string_view word) {
    auto [earlier, inserted] = m_singleStatements.emplace(std::string(word), m_line);
    if (!inserted)
        fail(std::string(word) + " is already set on line " + std::to_string(earlier->second));
}

void Reader::readSetUp(std::string_view word, Words& words) {
    HostSetup& setup = m_scenario.setup;
    if (word == "pref") {
        std::string key(words.next("preference key"));
        setup.preferences.emplace_back(std::move(key), parseValue(words.rest()));
        return;
    }
    if (word == "lacks") {
        std::string_view name = words.next("class name");
        words.expectEnd();
        if (name == host::deviceClass || name == host::bundleClass)
            fail("every host has " + std::string(name) + "; it cannot be lacking");
        if (!isProfileClassName(name))
            fail("unknown host class " + common::quoteText(name));
        // A class the chosen profile does not have is lacking already: the line changes
        // nothing, whichever profile is chosen and wherever.
        setup.lackingClasses.emplace(name);
        return;
    }
    if (word == "version") {
        noteSingle(word);
        setup.systemVersion = std::string(words.rest());
        return;
    }
    if (word == "profile") {
        noteSingle(word);
        std::string_view name = words.next("profile name");
        words.expectEnd();
        auto profile = profileNamed(name);
        if (!profile)
            fail("profile must be modern, legacy or all, not " + common::quoteText(name));
        setup.profile = *profile;
    } else if (word == "bundle") {
        noteSingle(word);
        std::string_view identifier = words.next("bundle identifier or none");
        words.expectEnd();
        if (identifier == "none")
            setup.bundleIdentifier.reset();
        else
            setup.bundleIdentifier = std::string(identifier);
    } else if (word == "screen") {
        noteSingle(word);
        setup.screen = parseScreen(words.next("screen size"));
        words.expectEnd();
    } else if (word == "autolock") {
        noteSingle(word);
        std::string_view value = words.next("auto-lock time");
        words.expectEnd();
        if (value == "never") {
            setup.autolockNanoseconds.reset();
        } else {
            std::uint64_t nanoseconds = parseSeconds(value, "auto-lock time");
            if (nanoseconds == 0)
                fail("the auto-lock time must be above zero, or never");
            setup.autolockNanoseconds = nanoseconds;
        }
    } else if (word == "locked") {
        noteSingle(word);
        setup.locked = parseChoice(words.next("yes or no"), "yes", "no", "locked");
        words.expectEnd();
    } else if (word == "power") {
        noteSingle(word);
        setup.onPower = parseChoice(words.next("on or off"), "on", "off", "power");
        words.expectEnd();
    } else {
        fail("unknown statement " + common::quoteText(word));
    }
}

void Reader::readEvent(Words& words) {
    ScenarioEvent event;
    event.line = m_line;
    std::string_view time = words.next("time");
    event.time = parseSeconds(time, "time");
    if (m_previousEventLine && event.time < m_previousEventTime)
        fail("time goes backwards: " + std::string(time) + " comes after " + m_previousTime +
             " on line " + std::to_string(m_previousEventLine));
    m_previousTime = std::string(time);
    m_previousEventTime = event.time;
    m_previousEventLine = m_line;
    event.text = std::string(words.rest());
    Words eventWords(event.text);
    std::string_view word = eventWords.next("event");
    static const std::map<std::string, EventKind, std::less<>> plainEvents{
        {"launch", EventKind::Launch},   {"lock", EventKind::Lock},   {"unlock", EventKind::Unlock},
        {"present", EventKind::Present}, {"plug", EventKind::Plug},   {"unplug", EventKind::Unplug},
        {"dim", EventKind::Dim},         {"sleep", EventKind::Sleep}, {"notify", EventKind::Notify},
        {"end", EventKind::End},
    };
    if (auto plain = plainEvents.find(word); plain != plainEvents.end()) {
        event.kind = plain->second;
        eventWords.expectEnd();
    } else if (word == "wake") {
        event.kind = EventKind::Wake;
        if (!eventWords.atEnd()) {
            std::string_view how = eventWords.next("wake kind");
            if (how != "nowaking")
                fail("wake takes nothing or nowaking, not " + common::quoteText(how));
            event.wake = WakeKind::NotWaking;
        }
        eventWords.expectEnd();
    } else if (word == "chargingview") {
        bool show = parseChoice(eventWords.next("show or hide"), "show", "hide", "chargingview");
        event.kind = show ? EventKind::ShowChargingView : EventKind::HideChargingView;
        eventWords.expectEnd();
    } else if (word == "pref") {
        event.kind = EventKind::SetPreference;
        event.key = std::string(eventWords.next("preference key"));
        event.value = parseValue(eventWords.rest());
    } else if (word == "unpref") {
        event.kind = EventKind::UnsetPreference;
        event.key = std::string(eventWords.next("preference key"));
        eventWords.expectEnd();
    } else if (word == "touch") {
        event.kind = EventKind::Touch;
        event.point.x = parseCoordinate(eventWords.next("x coordinate"));
        event.point.y = parseCoordinate(eventWords.next("y coordinate"));
        eventWords.expectEnd();
    } else {
        fail("unknown event " + common::quoteText(word));
    }
    if (event.kind == EventKind::Launch) {
        if (m_launchLine)
            fail("the host launches only once; it already launches on line " +
                 std::to_string(m_launchLine));
        m_launchLine = m_line;
    }
    // The run stops at its first end: what follows is read, so that a fault in it still stops
    // the run, and then left out.
    if (m_endLine)
        return;
    if (event.kind == EventKind::End)
        m_endLine = m_line;
    m_scenario.events.push_back(std::move(event));
}

} // namespace

common::Result<Scenario> readScenario(std::string_view text) {
    return Reader().read(text);
}

} // namespace velorin::sim
