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

void appendUtf8(std::string& text, std::uint32_t codePoint) {
    auto put = [&text](std::uint32_t byte) { text.push_back(static_cast<char>(byte & 0xFF)); };
    if (codePoint >= 0x10000) {
        put(0xF0 + ((codePoint >> 18) & 0x7));
        put(0x80 + ((codePoint >> 12) & 0x3F));
        put(0x80 + ((codePoint >> 6) & 0x3F));
        put(0x80 + (codePoint & 0x3F));
    } else if (codePoint >= 0x800) {
        put(0xE0 + ((codePoint >> 12) & 0xF));
        put(0x80 + ((codePoint >> 6) & 0x3F));
        put(0x80 + (codePoint & 0x3F));
    } else if (codePoint >= 0x80) {
        put(0xC0 + ((codePoint >> 6) & 0x1F));
        put(0x80 + (codePoint & 0x3F));
    } else {
        put(codePoint & 0x7F);
    }
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
