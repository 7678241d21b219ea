// libplist's reading of a property list, as PropertyListDictionary gives it, for chosen keys:
// the reference that the preference store's own reader (PropertyListValues.h) is held to, by
// the tests and by the fuzz program. Header-only, so that the fuzz program can use it without
// the test framework.
#pragma once

#include "platform/PropertyList.h"
#include "platform/PropertyListValues.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace velorin::testing {

// The extension's keys, and short ones that mutated lists reach more easily.
inline constexpr std::array<std::string_view, 10> comparedKeys{"enablebatteryanimation",
                                                              "batteryanimation",
                                                              "loopbatteryanimation",
                                                              "nosleepbatteryanimation",
                                                              "showbatteryanimationonwake",
                                                              "hidebattery",
                                                              "",
                                                              "a",
                                                              "b",
                                                              "key"};

using PropertyListReading = std::variant<platform::PropertyListValues, platform::PropertyListFault>;

inline PropertyListReading referenceReading(std::span<const std::uint8_t> bytes,
                                            std::span<const std::string_view> keys) {
    auto list = platform::PropertyListDictionary::read(bytes);
    if (const auto* fault = std::get_if<platform::PropertyListFault>(&list))
        return *fault;
    const auto& dictionary = std::get<platform::PropertyListDictionary>(list);
    platform::PropertyListValues values;
    for (std::string_view key : keys)
        values.push_back(dictionary.get(std::string(key)));
    return values;
}

// Equal values, a real compared by its bits so that a NaN equals itself.
inline bool sameValue(const std::optional<platform::PropertyValue>& a,
                      const std::optional<platform::PropertyValue>& b) {
    if (!a || !b)
        return a.has_value() == b.has_value();
    const auto* x = std::get_if<double>(&a->value);
    const auto* y = std::get_if<double>(&b->value);
    if (x && y)
        return a->kind == b->kind && std::memcmp(x, y, sizeof(double)) == 0;
    return *a == *b;
}

inline bool sameReading(const PropertyListReading& a, const PropertyListReading& b) {
    if (a.index() != b.index())
        return false;
    if (const auto* fault = std::get_if<platform::PropertyListFault>(&a))
        return *fault == std::get<platform::PropertyListFault>(b);
    const auto& x = std::get<platform::PropertyListValues>(a);
    const auto& y = std::get<platform::PropertyListValues>(b);
    if (x.size() != y.size())
        return false;
    for (std::size_t index = 0; index < x.size(); ++index) {
        if (!sameValue(x[index], y[index]))
            return false;
    }
    return true;
}

} // namespace velorin::testing
