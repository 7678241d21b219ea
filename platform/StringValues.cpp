// Number and truth readings of text, as the platform's string class gives them.
//
// Each reading takes the longest leading part of the text that has the expected form and
// ignores whatever follows. White space means the ASCII space, tab, line feed, vertical tab,
// form feed and carriage return. Numbers are converted with std::from_chars, which never
// consults the process locale, so a decimal point is always '.'.
#include "platform/StringValues.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

bool isWhiteSpace(char character) {
    return character == ' ' || character == '\t' || character == '\n' || character == '\v' ||
           character == '\f' || character == '\r';
}

bool isDigit(char character) {
    return character >= '0' && character <= '9';
}

// Moves past leading white space and an optional sign; answers whether the sign was '-'.
bool skipWhiteSpaceAndSign(std::string_view& text) {
    std::size_t index = 0;
    while (index < text.size() && isWhiteSpace(text[index]))
        ++index;
    bool negative = false;
    if (index < text.size() && (text[index] == '+' || text[index] == '-')) {
        negative = text[index] == '-';
        ++index;
    }
    text.remove_prefix(index);
    return negative;
}

std::size_t countDigits(std::string_view text, std::size_t from) {
    std::size_t index = from;
    while (index < text.size() && isDigit(text[index]))
        ++index;
    return index - from;
}

// The power of ten of the first non-zero digit of a decimal number written as `digits`
// (integer part, optional point, fraction) scaled by 10^exponent. Used only to tell whether
// a number that does not fit a float is too large or too small.
long long leadingPowerOfTen(std::string_view digits, long long exponent) {
    auto point = digits.find('.');
    auto integerLength = point == std::string_view::npos ? digits.size() : point;
    for (std::size_t index = 0; index < digits.size(); ++index) {
        if (digits[index] == '.' || digits[index] == '0')
            continue;
        auto power = index < integerLength ? static_cast<long long>(integerLength - index) - 1
                                           : -static_cast<long long>(index - integerLength);
        return power + exponent;
    }
    return 0;
}

long long saturatingExponent(std::string_view text) {
    bool negative = skipWhiteSpaceAndSign(text);
    long long value = 0;
    constexpr long long limit = 1'000'000'000;
    for (char digit : text) {
        value = std::min(limit, value * 10 + (digit - '0'));
    }
    return negative ? -value : value;
}

// The length of the mantissa at the start of `text`: digits, an optional point and more
// digits, with a digit somewhere; 0 when there is none.
std::size_t mantissaLength(std::string_view text) {
    std::size_t integerDigits = countDigits(text, 0);
    std::size_t length = integerDigits;
    std::size_t fractionDigits = 0;
    if (length < text.size() && text[length] == '.') {
        fractionDigits = countDigits(text, length + 1);
        length += 1 + fractionDigits;
    }
    return integerDigits + fractionDigits == 0 ? 0 : length;
}

} // namespace

bool beginsWithNumber(std::string_view text) {
    skipWhiteSpaceAndSign(text);
    return mantissaLength(text) > 0;
}

float floatValue(std::string_view text) {
    bool negative = skipWhiteSpaceAndSign(text);
    std::size_t length = mantissaLength(text);
    if (length == 0)
        return 0.0f;
    auto mantissa = text.substr(0, length);
    // An exponent counts only when at least one digit follows the 'e' and its sign.
    long long exponent = 0;
    if (length < text.size() && (text[length] == 'e' || text[length] == 'E')) {
        std::size_t exponentStart = length + 1;
        if (exponentStart < text.size() &&
            (text[exponentStart] == '+' || text[exponentStart] == '-'))
            ++exponentStart;
        if (std::size_t exponentDigits = countDigits(text, exponentStart)) {
            exponent = saturatingExponent(
                text.substr(length + 1, exponentStart + exponentDigits - length - 1));
            length = exponentStart + exponentDigits;
        }
    }
    auto number = text.substr(0, length);
    float value = 0.0f;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity and too small gives zero, as the platform documents.
        value = leadingPowerOfTen(mantissa, exponent) >= 0 ? std::numeric_limits<float>::infinity()
                                                           : 0.0f;
    } else if (error != std::errc()) {
        return 0.0f;
    }
    return negative ? -value : value;
}

std::int64_t integerValue(std::string_view text) {
    bool negative = skipWhiteSpaceAndSign(text);
    // The magnitude is gathered as unsigned and held at the most the sign allows.
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t limit = negative ? largest + 1 : largest;
    std::uint64_t magnitude = 0;
    for (char character : text) {
        if (!isDigit(character))
            break;
        auto digit = static_cast<std::uint64_t>(character - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (!negative)
        return static_cast<std::int64_t>(magnitude);
    // Negating through the unsigned value keeps the most negative number representable.
    return magnitude == largest + 1 ? std::numeric_limits<std::int64_t>::min()
                                    : -static_cast<std::int64_t>(magnitude);
}

bool boolValue(std::string_view text) {
    skipWhiteSpaceAndSign(text);
    std::size_t index = 0;
    while (index < text.size() && text[index] == '0')
        ++index;
    if (index == text.size())
        return false;
    char first = text[index];
    return (first >= '1' && first <= '9') || first == 'Y' || first == 'y' || first == 'T' ||
           first == 't';
}

std::u16string toUtf16(std::string_view utf8) {
    constexpr char16_t replacement = 0xFFFD;
    std::u16string result;
    result.reserve(utf8.size());
    std::size_t index = 0;
    while (index < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[index]);
        if (lead < 0x80) {
            result += static_cast<char16_t>(lead);
            ++index;
            continue;
        }
        // The sequence length and the smallest code point it may carry; anything shorter is
        // an overlong form. Bytes 0x80-0xC1 and 0xF5-0xFF never begin a sequence.
        std::size_t length = 0;
        char32_t codePoint = 0;
        char32_t smallest = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1F;
            smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0F;
            smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07;
            smallest = 0x10000;
        }
        bool valid = length != 0 && index + length <= utf8.size();
        for (std::size_t offset = 1; valid && offset < length; ++offset) {
            auto continuation = static_cast<unsigned char>(utf8[index + offset]);
            valid = (continuation & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (continuation & 0x3F);
        }
        valid = valid && codePoint >= smallest && codePoint <= 0x10FFFF &&
                !(codePoint >= 0xD800 && codePoint <= 0xDFFF);
        if (!valid) {
            // Only the first byte is consumed, so each malformed byte stands as one
            // replacement and a well-formed sequence after it is still read.
            result += replacement;
            ++index;
            continue;
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            result += static_cast<char16_t>(0xD800 + (codePoint >> 10));
            result += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
        } else {
            result += static_cast<char16_t>(codePoint);
        }
        index += length;
    }
    return result;
}

std::string toUtf8(std::u16string_view utf16) {
    std::string result;
    result.reserve(utf16.size());
    auto append = [&result](char32_t codePoint) {
        if (codePoint < 0x80) {
            result += static_cast<char>(codePoint);
        } else if (codePoint < 0x800) {
            result += static_cast<char>(0xC0 | (codePoint >> 6));
            result += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else if (codePoint < 0x10000) {
            result += static_cast<char>(0xE0 | (codePoint >> 12));
            result += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (codePoint & 0x3F));
        } else {
            result += static_cast<char>(0xF0 | (codePoint >> 18));
            result += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
            result += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
            result += static_cast<char>(0x80 | (codePoint & 0x3F));
        }
    };
    for (std::size_t index = 0; index < utf16.size(); ++index) {
        char32_t unit = utf16[index];
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && index + 1 < utf16.size() && utf16[index + 1] >= 0xDC00 &&
            utf16[index + 1] <= 0xDFFF) {
            append(0x10000 + ((unit - 0xD800) << 10) + (utf16[index + 1] - 0xDC00));
            ++index;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            // A surrogate without its partner has no UTF-8 form.
            append(0xFFFD);
        } else {
            append(unit);
        }
    }
    return result;
}

} // namespace platform
