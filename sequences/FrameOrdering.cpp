#include "sequences/FrameOrdering.h"

#include "platform/StringValues.h"

#include <algorithm>
#include <limits>

namespace velorin {

namespace {

bool isDigit(char16_t character) {
    return character >= u'0' && character <= u'9';
}

std::optional<std::size_t> firstDigitPosition(std::u16string_view name) {
    auto found = std::find_if(name.begin(), name.end(), isDigit);
    if (found == name.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - name.begin());
}

NumberWindow numberWindow(std::u16string_view name, std::int32_t prefixLength) {
    if (prefixLength <= 0)
        return {};
    // Worked out in size_t, which holds twice any 32-bit L, so a huge L cannot overflow.
    auto width = static_cast<std::size_t>(prefixLength);
    auto start = std::min(width, name.size());
    auto end = std::min(2 * width, name.size());
    NumberWindow window;
    window.text = platform::toUtf8(name.substr(start, end - start));
    window.sortKey = platform::integerValue(window.text);
    window.cutAtEnd = 2 * width > name.size();
    return window;
}

} // namespace

std::optional<std::size_t> firstDigitPosition(std::string_view name) {
    return firstDigitPosition(std::u16string_view{platform::toUtf16(name)});
}

std::int32_t findPrefixLength(std::string_view firstName) {
    auto position = firstDigitPosition(firstName);
    if (!position)
        return 0;
    constexpr auto largest = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(*position, largest));
}

NumberWindow numberWindow(std::string_view name, std::int32_t prefixLength) {
    return numberWindow(std::u16string_view{platform::toUtf16(name)}, prefixLength);
}

FrameOrder orderFrames(const std::vector<std::string>& names) {
    FrameOrder order;
    if (names.empty())
        return order;
    // L is read from the first name once: it is the same at every comparison of one sort.
    order.prefixLength = findPrefixLength(names.front());
    order.frames.reserve(names.size());
    for (std::size_t index = 0; index < names.size(); ++index)
        order.frames.push_back(
            {names[index], index, numberWindow(names[index], order.prefixLength)});
    std::stable_sort(order.frames.begin(), order.frames.end(),
                     [](const OrderedFrame& a, const OrderedFrame& b) {
                         return a.window.sortKey < b.window.sortKey;
                     });
    return order;
}

std::vector<std::string> sortArrayByNumbersInString(const std::vector<std::string>& names) {
    std::vector<std::string> ordered;
    ordered.reserve(names.size());
    for (auto& frame : orderFrames(names).frames)
        ordered.push_back(std::move(frame.name));
    return ordered;
}

} // namespace velorin
