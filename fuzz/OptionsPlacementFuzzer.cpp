// Feeds arbitrary bytes to the options-file reader as a sequence's options.json, for two
// container sizes (a phone's portrait screen and an empty container, where the centring and
// far-edge formulas divide and subtract from zero). The reader must fall back to its defaults
// on anything it cannot use; the sanitizers report any out-of-range read, overflow or leak.
//
// The reader follows nlohmann's events without building a JSON value. nlohmann's own value,
// built from the same text, is the reference: the members read from it must be exactly those
// the reader keeps, or the program stops.
#include "platform/StringValues.h"
#include "sequences/OptionsMembers.h"
#include "sequences/SequencePlacement.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <span>

namespace {

using Json = nlohmann::json;

std::optional<velorin::OptionsMemberValue> referenceValue(const Json& value) {
    using velorin::OptionsWord;
    if (value.is_boolean())
        return velorin::OptionsMemberValue{value.get<bool>() ? 1.0f : 0.0f, OptionsWord::None};
    if (value.is_number())
        return velorin::OptionsMemberValue{velorin::toFloat(value.get<double>()),
                                           OptionsWord::None};
    if (!value.is_string())
        return std::nullopt;
    const auto& text = value.get_ref<const std::string&>();
    OptionsWord word = text == velorin::centerWord   ? OptionsWord::Center
                       : text == velorin::rightWord  ? OptionsWord::Right
                       : text == velorin::bottomWord ? OptionsWord::Bottom
                                                     : OptionsWord::None;
    return velorin::OptionsMemberValue{platform::floatValue(text), word};
}

// The members as nlohmann's own value gives them, under the same limits.
std::optional<velorin::OptionsMembers> referenceMembers(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > velorin::optionsFileByteLimit || velorin::optionsNestPastLimit(bytes) ||
        std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end())
        return std::nullopt;
    Json parsed = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
        return std::nullopt;
    velorin::OptionsMembers members;
    for (std::size_t index = 0; index < velorin::optionsMemberNames.size(); ++index) {
        auto found = parsed.find(velorin::optionsMemberNames[index]);
        if (found != parsed.end())
            members.values[index] = referenceValue(*found);
    }
    return members;
}

// Equal, with a NaN equal to itself.
bool same(const std::optional<velorin::OptionsMembers>& a,
          const std::optional<velorin::OptionsMembers>& b) {
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    for (std::size_t index = 0; index < a->values.size(); ++index) {
        const auto& x = a->values[index];
        const auto& y = b->values[index];
        if (x.has_value() != y.has_value())
            return false;
        if (x && (x->word != y->word ||
                  (x->number != y->number && !(std::isnan(x->number) && std::isnan(y->number)))))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    velorin::computePlacement(bytes, 320.0, 568.0);
    velorin::computePlacement(bytes, 0.0, 0.0);
    if (!same(velorin::readOptionsMembers(bytes), referenceMembers(bytes)))
        std::abort();
    return 0;
}
