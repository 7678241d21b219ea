#include "tools/common/NaturalOrder.h"

#include <algorithm>
#include <cstddef>

namespace velorin::tools {

namespace {

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}

char lowerCase(char character) {
    return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                                : character;
}

struct DigitRun {
    std::string_view significant; // without leading zeros
    std::size_t length{0};        // with them
};

DigitRun digitRun(std::string_view text, std::size_t start) {
    std::size_t end = start;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    std::size_t first = start;
    while (first < end && text[first] == '0')
        ++first;
    return {text.substr(first, end - first), end - start};
}

// Negative, zero or positive as a is before, tied with or after b; `zeroTie` collects the first
// difference in leading zeros.
int compareNaturally(std::string_view a, std::string_view b, int& zeroTie) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            DigitRun left = digitRun(a, i);
            DigitRun right = digitRun(b, j);
            // Without leading zeros, a longer run is a larger number; runs of one length
            // compare digit by digit.
            if (left.significant.size() != right.significant.size())
                return left.significant.size() < right.significant.size() ? -1 : 1;
            if (int order = left.significant.compare(right.significant))
                return order;
            if (zeroTie == 0 && left.length != right.length)
                zeroTie = left.length < right.length ? -1 : 1;
            i += left.length;
            j += right.length;
            continue;
        }
        char left = lowerCase(a[i]);
        char right = lowerCase(b[j]);
        if (left != right)
            return static_cast<unsigned char>(left) < static_cast<unsigned char>(right) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace

bool naturalLess(std::string_view a, std::string_view b) {
    int zeroTie = 0;
    if (int order = compareNaturally(a, b, zeroTie))
        return order < 0;
    if (zeroTie != 0)
        return zeroTie < 0;
    return a < b;
}

void sortNaturally(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return naturalLess(a, b); });
}

} // namespace velorin::tools
