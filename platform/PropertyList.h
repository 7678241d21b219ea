// Property lists whose top level is a dictionary, read from and written to their bytes with
// libplist: the preference store, the simulated host's private domain, the preference editor
// and the tests all go through here.
//
// Reading takes both forms (XML and binary) and refuses, before libplist sees them, lists past
// the limits of PropertyListLimits, so that no caller can be stopped by a list nested or shared
// too deeply. Values come out as PropertyValues: libplist keeps every integer as an unsigned
// 64-bit value and a negative number as its two's complement, so integers are read back as
// signed values and written as their bits; unsigned values above the signed range read as
// negative. A string may hold NUL characters and is read whole. Keys and written strings are
// C strings to libplist and end at a NUL. Files are the callers' business: each has its own
// rules for where a list is read from and how it is replaced.
#pragma once

#include "platform/PropertyValue.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace platform {

enum class PropertyListFormat { Xml, Binary };

// Binary lists begin with "bplist00"; everything else is taken for XML.
VELORIN_EXPORT PropertyListFormat propertyListFormat(std::span<const std::uint8_t> bytes);

// Why a list's bytes give no dictionary.
enum class PropertyListFault {
    // Nested or shared past PropertyListLimits, or a binary list whose structure cannot be
    // followed.
    PastLimits,
    // Empty, too large for libplist, or not a property list libplist can parse.
    Unreadable,
    // A list whose top level is something other than a dictionary.
    NotDictionary,
};

class VELORIN_EXPORT PropertyListDictionary {
public:
    // An empty dictionary.
    PropertyListDictionary();
    // The dictionary that a list's bytes hold, in either form, or why there is none.
    static std::variant<PropertyListDictionary, PropertyListFault>
    read(std::span<const std::uint8_t> bytes);
    ~PropertyListDictionary();
    PropertyListDictionary(PropertyListDictionary&& other) noexcept;
    PropertyListDictionary& operator=(PropertyListDictionary&& other) noexcept;
    PropertyListDictionary(const PropertyListDictionary&) = delete;
    PropertyListDictionary& operator=(const PropertyListDictionary&) = delete;

    // The value under `key`; none when it is absent. A key holding a NUL is never present,
    // since libplist would match it against a shorter one.
    std::optional<PropertyValue> get(const std::string& key) const;
    // Stores a value, replacing any under the key. Data, Date, Array and Dictionary values
    // carry nothing, so an example of the kind is stored: empty data, the reference date, an
    // empty array or dictionary (Other also gives an empty dictionary).
    void set(const std::string& key, const PropertyValue& value);
    // Removes the key; answers whether it was there.
    bool remove(const std::string& key);

    // The list's bytes in `format`; none when libplist cannot encode it.
    std::optional<std::vector<std::uint8_t>> write(PropertyListFormat format) const;

private:
    explicit PropertyListDictionary(void* node);
    void* m_node;
};

} // namespace platform
