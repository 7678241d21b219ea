#include "tools/common/TerminalColour.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <unistd.h>

namespace velorin::tools {

namespace {

constexpr std::string_view reset = "\033[0m";
constexpr std::string_view boldRed = "\033[1;31m";
constexpr std::string_view boldYellow = "\033[1;33m";
constexpr std::string_view boldCyan = "\033[1;36m";
constexpr std::string_view boldGreen = "\033[1;32m";

struct ColouredWord {
    std::string_view word;
    std::string_view colour;
};

// Words that open a line (after its indent or the program's name).
constexpr std::array<ColouredWord, 4> lineOpenings{{
    {"error:", boldRed},
    {"warning:", boldYellow},
    {"note:", boldCyan},
    {"No problems", boldGreen},
}};

// Counts anywhere in a line: "3 errors" is coloured, "0 errors" is not.
constexpr std::array<ColouredWord, 4> countedWords{{
    {" errors", boldRed},
    {" error", boldRed},
    {" warnings", boldYellow},
    {" warning", boldYellow},
}};

bool endsWord(std::string_view line, std::size_t at) {
    return at >= line.size() || !std::isalpha(static_cast<unsigned char>(line[at]));
}

std::string colouredLine(std::string_view line) {
    std::size_t start = 0;
    while (start < line.size() && line[start] == ' ')
        ++start;
    constexpr std::string_view program = "velorin-sim: ";
    if (line.substr(start).starts_with(program))
        start += program.size();
    std::string text(line.substr(0, start));
    std::string_view rest = line.substr(start);
    for (const ColouredWord& opening : lineOpenings) {
        if (rest.starts_with(opening.word)) {
            text += std::string(opening.colour) + std::string(opening.word) + std::string(reset);
            rest.remove_prefix(opening.word.size());
            break;
        }
    }
    // Counts: digits followed by one of the counted words.
    std::size_t index = 0;
    while (index < rest.size()) {
        if (!std::isdigit(static_cast<unsigned char>(rest[index])) ||
            (index > 0 && std::isalnum(static_cast<unsigned char>(rest[index - 1])))) {
            text += rest[index++];
            continue;
        }
        std::size_t end = index;
        while (end < rest.size() && std::isdigit(static_cast<unsigned char>(rest[end])))
            ++end;
        std::string_view number = rest.substr(index, end - index);
        const ColouredWord* counted = nullptr;
        for (const ColouredWord& word : countedWords) {
            if (rest.substr(end).starts_with(word.word) && endsWord(rest, end + word.word.size())) {
                counted = &word;
                break;
            }
        }
        bool zero = number.find_first_not_of('0') == std::string_view::npos;
        if (counted && !zero) {
            text += std::string(counted->colour) + std::string(number) +
                    std::string(counted->word) + std::string(reset);
            index = end + counted->word.size();
        } else {
            text += number;
            index = end;
        }
    }
    return text;
}

void printWithSeverity(std::string_view severity, std::string_view text) {
    std::string line = "velorin-sim: " + std::string(severity) + ": " + std::string(text) + "\n";
    writeColoured(line, stderr);
}

} // namespace

Colouring colouringFor(std::FILE* stream) {
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour && *noColour)
        return Colouring::Plain;
    const char* terminal = std::getenv("TERM");
    if (terminal && std::string_view(terminal) == "dumb")
        return Colouring::Plain;
    return ::isatty(::fileno(stream)) ? Colouring::Coloured : Colouring::Plain;
}

std::string coloured(std::string_view text, Colouring colouring) {
    if (colouring == Colouring::Plain)
        return std::string(text);
    std::string result;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t lineEnd = end == std::string_view::npos ? text.size() : end;
        result += colouredLine(text.substr(start, lineEnd - start));
        if (end == std::string_view::npos)
            break;
        result += '\n';
        start = end + 1;
    }
    return result;
}

void writeColoured(std::string_view text, std::FILE* stream) {
    std::string output = coloured(text, colouringFor(stream));
    std::fwrite(output.data(), 1, output.size(), stream);
}

void printWarning(std::string_view text) {
    printWithSeverity("warning", text);
}

void printNote(std::string_view text) {
    printWithSeverity("note", text);
}

} // namespace velorin::tools
