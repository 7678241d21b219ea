// A value as the preference store hands it out: one of the property-list kinds.
#pragma once

#include "platform/Export.h"

#include <cstdint>
#include <string>
#include <variant>

namespace platform {

enum class PropertyKind { Boolean, Integer, Real, String, Data, Date, Array, Dictionary, Other };

struct PropertyValue {
    PropertyKind kind{PropertyKind::Other};
    // Boolean, Integer, Real and String carry their value; the other kinds carry none.
    std::variant<std::monostate, bool, std::int64_t, double, std::string> value;

    static PropertyValue boolean(bool value) { return {PropertyKind::Boolean, value}; }
    static PropertyValue integer(std::int64_t value) { return {PropertyKind::Integer, value}; }
    static PropertyValue real(double value) { return {PropertyKind::Real, value}; }
    static PropertyValue string(std::string value) {
        return {PropertyKind::String, std::move(value)};
    }
    static PropertyValue ofKind(PropertyKind kind) { return {kind, std::monostate{}}; }

    bool isNumber() const {
        return kind == PropertyKind::Boolean || kind == PropertyKind::Integer ||
               kind == PropertyKind::Real;
    }
    const std::string* stringValue() const { return std::get_if<std::string>(&value); }
    bool operator==(const PropertyValue&) const = default;
};

// `boolValue` as the platform gives it: a number is true when non-zero, a string as
// `boolValue` of strings reads it. Other kinds have no `boolValue`; the caller decides.
VELORIN_EXPORT bool boolValue(const PropertyValue& value);

} // namespace platform
