// The truth value of a stored preference value.
#include "platform/PropertyValue.h"

#include "platform/StringValues.h"

namespace platform {

bool boolValue(const PropertyValue& value) {
    // The value is read by what it holds rather than by its kind, so a value whose kind and
    // contents disagree still answers without throwing.
    switch (value.kind) {
    case PropertyKind::Boolean:
    case PropertyKind::Integer:
    case PropertyKind::Real:
    case PropertyKind::String:
        break;
    default:
        // Data, dates and collections have no truth value; answering false keeps a caller
        // that asks anyway on the safe side.
        return false;
    }
    if (auto* boolean = std::get_if<bool>(&value.value))
        return *boolean;
    if (auto* integer = std::get_if<std::int64_t>(&value.value))
        return *integer != 0;
    if (auto* real = std::get_if<double>(&value.value))
        return *real != 0.0;
    if (auto* text = std::get_if<std::string>(&value.value))
        return boolValue(std::string_view(*text));
    return false;
}

} // namespace platform
