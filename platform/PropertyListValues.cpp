#include "platform/PropertyListValues.h"

#include "platform/PropertyListLimits.h"
#include "platform/PropertyListValueForms.h"

#include <limits>

namespace platform {

namespace propertylist {

std::optional<std::size_t> wantedKeyIndex(std::string_view key,
                                          std::span<const std::string_view> keys) {
    key = key.substr(0, key.find('\0'));
    for (std::size_t index = 0; index < keys.size(); ++index) {
        if (keys[index] == key)
            return index;
    }
    return std::nullopt;
}

} // namespace propertylist

std::variant<PropertyListValues, PropertyListFault>
readPropertyListValues(std::span<const std::uint8_t> bytes,
                       std::span<const std::string_view> keys) {
    // The same steps, in the same order, as PropertyListDictionary::read.
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return PropertyListFault::Unreadable;
    if (!propertyListWithinLimits(bytes))
        return PropertyListFault::PastLimits;
    // libplist reads nothing from fewer than eight bytes.
    if (bytes.size() < 8)
        return PropertyListFault::Unreadable;
    if (propertyListFormat(bytes) == PropertyListFormat::Binary)
        return propertylist::readBinaryValues(bytes, keys);
    return propertylist::readXmlValues(bytes, keys);
}

} // namespace platform
