#include "sequences/OptionsMembers.h"

#include "platform/StringValues.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

namespace velorin {

namespace {

using Json = nlohmann::json;

OptionsWord wordOf(const std::string& text) {
    if (text == centerWord)
        return OptionsWord::Center;
    if (text == rightWord)
        return OptionsWord::Right;
    if (text == bottomWord)
        return OptionsWord::Bottom;
    return OptionsWord::None;
}

// Follows the reader's events and keeps the value of each member it knows at the top level.
// A DOM would have to be destroyed afterwards, and nlohmann's destructor allocates while it
// may not throw: a failed allocation there would stop the process. Here nothing is built,
// so a failed allocation throws out of the reading like any other.
class MemberCollector final : public nlohmann::json_sax<Json> {
public:
    OptionsMembers members;
    bool topIsObject{false};

    bool null() override { return take(std::nullopt); }
    bool boolean(bool value) override {
        return take(OptionsMemberValue{value ? 1.0f : 0.0f, OptionsWord::None});
    }
    bool number_integer(number_integer_t value) override {
        return take(OptionsMemberValue{toFloat(static_cast<double>(value)), OptionsWord::None});
    }
    bool number_unsigned(number_unsigned_t value) override {
        return take(OptionsMemberValue{toFloat(static_cast<double>(value)), OptionsWord::None});
    }
    bool number_float(number_float_t value, const string_t&) override {
        return take(OptionsMemberValue{toFloat(value), OptionsWord::None});
    }
    bool string(string_t& value) override {
        return take(OptionsMemberValue{platform::floatValue(value), wordOf(value)});
    }
    bool binary(binary_t&) override { return take(std::nullopt); }
    bool start_object(std::size_t) override {
        if (m_depth == 0)
            topIsObject = true;
        else
            take(std::nullopt);
        ++m_depth;
        return true;
    }
    bool key(string_t& name) override {
        m_pending = -1;
        if (m_depth != 1)
            return true;
        for (std::size_t index = 0; index < optionsMemberNames.size(); ++index) {
            if (name == optionsMemberNames[index])
                m_pending = static_cast<int>(index);
        }
        return true;
    }
    bool end_object() override {
        --m_depth;
        return true;
    }
    bool start_array(std::size_t) override {
        // A file that is not an object at its top level gives no options at all; there is no
        // need to read on.
        if (m_depth == 0)
            return false;
        take(std::nullopt);
        ++m_depth;
        return true;
    }
    bool end_array() override {
        --m_depth;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const Json::exception&) override {
        return false;
    }

private:
    // A value at the top level is no object; one directly in the object is the value of the
    // member named just before it; deeper ones belong to no member.
    bool take(std::optional<OptionsMemberValue> value) {
        if (m_depth == 0)
            return false;
        if (m_depth == 1 && m_pending >= 0)
            members.values[static_cast<std::size_t>(m_pending)] = value;
        m_pending = -1;
        return true;
    }

    std::size_t m_depth{0};
    int m_pending{-1};
};

} // namespace

float toFloat(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (value > largest)
        return std::numeric_limits<float>::infinity();
    if (value < -largest)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::optional<OptionsMembers> readOptionsMembers(std::span<const std::uint8_t> bytes) {
    // A file past the size limit is refused here too, for callers that hold its bytes already.
    if (bytes.size() > optionsFileByteLimit || optionsNestPastLimit(bytes))
        return std::nullopt;
    // UTF-8 JSON text never holds a NUL byte, but nlohmann's reader takes one for the end of the
    // text and would read `{"width": 200}` followed by a NUL and anything at all as options.
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end())
        return std::nullopt;
    MemberCollector collector;
    if (!Json::sax_parse(bytes.begin(), bytes.end(), &collector) || !collector.topIsObject)
        return std::nullopt;
    return collector.members;
}

} // namespace velorin
