#include "tools/pack/PackageControl.h"

#include <algorithm>
#include <optional>

namespace velorin::tools {

namespace {

bool isLowerAlphanumeric(char character) {
    return (character >= 'a' && character <= 'z') || (character >= '0' && character <= '9');
}

bool isAlphanumeric(char character) {
    return isLowerAlphanumeric(character) || (character >= 'A' && character <= 'Z');
}

bool holdsAnyOf(const std::string& text, std::string_view allowed, bool alphanumeric) {
    return std::all_of(text.begin(), text.end(), [&](char character) {
        return (alphanumeric && isAlphanumeric(character)) ||
               allowed.find(character) != std::string_view::npos;
    });
}

// A value that a control line can hold: one line, printable, not empty.
std::optional<std::string> lineProblem(const std::string& value) {
    if (value.empty() || value.front() == ' ' || value.back() == ' ')
        return "is empty or begins or ends with a space";
    for (unsigned char character : value) {
        if (character < 0x20 || character == 0x7F)
            return "holds a line break or another control character";
    }
    return std::nullopt;
}

std::optional<std::string> identifierProblem(const std::string& identifier) {
    if (identifier.size() < 3 || !isLowerAlphanumeric(identifier.front()) ||
        !isLowerAlphanumeric(identifier.back()))
        return "must begin and end with a lower-case letter or a digit";
    if (!std::all_of(identifier.begin(), identifier.end(), [](char character) {
            return isLowerAlphanumeric(character) || character == '.' || character == '-' ||
                   character == '+';
        }))
        return "may hold only lower-case letters, digits, '.', '-' and '+'";
    if (identifier.find('.') == std::string::npos || identifier.find("..") != std::string::npos)
        return "must be in reverse-DNS form, such as com.example.pulse";
    return std::nullopt;
}

std::optional<std::string> authorProblem(const std::string& author) {
    if (auto problem = lineProblem(author))
        return problem;
    auto open = author.find(" <");
    if (open == std::string::npos || open == 0 || author.back() != '>' ||
        author.find('@', open) == std::string::npos)
        return "must be a name and an address, as in \"Ada Lovelace <ada@example.com>\"";
    return std::nullopt;
}

} // namespace

std::optional<std::string> debianVersionProblem(const std::string& version) {
    if (version.empty())
        return "is empty";
    std::string upstream = version;
    auto colon = upstream.find(':');
    bool epoch = colon != std::string::npos;
    if (epoch) {
        std::string digits = upstream.substr(0, colon);
        if (digits.empty() || !std::all_of(digits.begin(), digits.end(),
                                           [](char c) { return c >= '0' && c <= '9'; }))
            return "has an epoch (before ':') that is not a number";
        upstream.erase(0, colon + 1);
    }
    auto hyphen = upstream.rfind('-');
    bool revision = hyphen != std::string::npos;
    if (revision) {
        std::string text = upstream.substr(hyphen + 1);
        if (text.empty() || !holdsAnyOf(text, "+.~", true))
            return "has a revision (after the last '-') that is empty or holds characters "
                   "other than letters, digits, '+', '.' and '~'";
        upstream.erase(hyphen);
    }
    if (upstream.empty() || upstream.front() < '0' || upstream.front() > '9')
        return "must begin with a digit";
    std::string allowed = std::string(".+~") + (revision ? "-" : "") + (epoch ? ":" : "");
    if (!holdsAnyOf(upstream, allowed, true))
        return "may hold only letters, digits and '.', '+', '~' (with '-' before a revision and "
               "':' after an epoch)";
    return std::nullopt;
}

common::Result<void> checkPackageControl(const PackageControl& control) {
    if (auto problem = identifierProblem(control.identifier))
        return common::Fault{"--id " + control.identifier, *problem};
    if (auto problem = debianVersionProblem(control.version))
        return common::Fault{"--version " + control.version,
                             "is no Debian version: it " + *problem};
    if (control.architecture.empty() || !isLowerAlphanumeric(control.architecture.front()) ||
        !std::all_of(control.architecture.begin(), control.architecture.end(),
                     [](char c) { return isLowerAlphanumeric(c) || c == '-'; }))
        return common::Fault{"--arch " + control.architecture,
                             "is no architecture name (all, iphoneos-arm64, ...)"};
    if (auto problem = authorProblem(control.author))
        return common::Fault{"--author " + control.author, *problem};
    for (auto [value, option] : {std::pair{&control.name, "--name"},
                                 std::pair{&control.description, "--description"},
                                 std::pair{&control.section, "--section"}}) {
        if (auto problem = lineProblem(*value))
            return common::Fault{option, *problem};
    }
    if (!control.depends.empty()) {
        if (auto problem = lineProblem(control.depends))
            return common::Fault{"--depends", *problem};
        if (!holdsAnyOf(control.depends, " ,|().:<>=+~-", true))
            return common::Fault{"--depends " + control.depends,
                                 "is no list of packages, as in \"com.example.base (>= 1.0)\""};
    }
    return {};
}

std::string controlFileText(const PackageControl& control) {
    std::string text;
    auto field = [&text](const char* name, const std::string& value) {
        text += std::string(name) + ": " + value + "\n";
    };
    field("Package", control.identifier);
    field("Name", control.name);
    field("Version", control.version);
    field("Architecture", control.architecture);
    field("Maintainer", control.author);
    field("Author", control.author);
    field("Section", control.section);
    if (!control.depends.empty())
        field("Depends", control.depends);
    field("Installed-Size", std::to_string(control.installedKibibytes));
    field("Description", control.description);
    return text;
}

std::string defaultPackageIdentifier(const std::string& sequenceName) {
    std::string identifier = "local.velorin.";
    for (char character : sequenceName) {
        char lower = character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                                          : character;
        identifier += isLowerAlphanumeric(lower) || lower == '.' || lower == '+' ? lower : '-';
    }
    while (identifier.back() == '-' || identifier.back() == '.' || identifier.back() == '+')
        identifier.pop_back();
    return identifier;
}

std::string packageFileName(const PackageControl& control) {
    std::string version = control.version;
    if (auto colon = version.find(':'); colon != std::string::npos)
        version.erase(0, colon + 1);
    return control.identifier + "_" + version + "_" + control.architecture + ".deb";
}

} // namespace velorin::tools
