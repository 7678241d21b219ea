#include "platform/PropertyList.h"

#include "platform/PropertyListLimits.h"

#include <cstring>
#include <limits>
#include <plist/plist.h>
#include <string_view>
#include <utility>

namespace platform {

namespace {

PropertyValue toPropertyValue(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PropertyValue::boolean(value != 0);
    }
    case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return PropertyValue::integer(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0.0;
        plist_get_real_val(node, &value);
        return PropertyValue::real(value);
    }
    case PLIST_STRING: {
        // A string may hold NUL characters, which libplist's copying accessor asserts against
        // and would stop the process for; the text is taken whole, with its length.
        std::uint64_t length = 0;
        const char* value = plist_get_string_ptr(node, &length);
        return PropertyValue::string(value ? std::string(value, length) : std::string());
    }
    case PLIST_DATA:
        return PropertyValue::ofKind(PropertyKind::Data);
    case PLIST_DATE:
        return PropertyValue::ofKind(PropertyKind::Date);
    case PLIST_ARRAY:
        return PropertyValue::ofKind(PropertyKind::Array);
    case PLIST_DICT:
        return PropertyValue::ofKind(PropertyKind::Dictionary);
    default:
        return PropertyValue::ofKind(PropertyKind::Other);
    }
}

plist_t toNode(const PropertyValue& value) {
    switch (value.kind) {
    case PropertyKind::Boolean:
        return plist_new_bool(std::get<bool>(value.value) ? 1 : 0);
    case PropertyKind::Integer:
        return plist_new_uint(static_cast<std::uint64_t>(std::get<std::int64_t>(value.value)));
    case PropertyKind::Real:
        return plist_new_real(std::get<double>(value.value));
    case PropertyKind::String:
        return plist_new_string(std::get<std::string>(value.value).c_str());
    case PropertyKind::Data:
        return plist_new_data("", 0);
    case PropertyKind::Date:
        return plist_new_date(0, 0);
    case PropertyKind::Array:
        return plist_new_array();
    case PropertyKind::Dictionary:
    case PropertyKind::Other:
        break;
    }
    return plist_new_dict();
}

} // namespace

PropertyListFormat propertyListFormat(std::span<const std::uint8_t> bytes) {
    constexpr std::string_view binaryHeader = "bplist00";
    if (bytes.size() >= binaryHeader.size() &&
        std::memcmp(bytes.data(), binaryHeader.data(), binaryHeader.size()) == 0)
        return PropertyListFormat::Binary;
    return PropertyListFormat::Xml;
}

PropertyListDictionary::PropertyListDictionary() : m_node(plist_new_dict()) {
}

PropertyListDictionary::PropertyListDictionary(void* node) : m_node(node) {
}

PropertyListDictionary::~PropertyListDictionary() {
    if (m_node)
        plist_free(m_node);
}

PropertyListDictionary::PropertyListDictionary(PropertyListDictionary&& other) noexcept
    : m_node(std::exchange(other.m_node, nullptr)) {
}

PropertyListDictionary& PropertyListDictionary::operator=(PropertyListDictionary&& other) noexcept {
    if (this != &other) {
        if (m_node)
            plist_free(m_node);
        m_node = std::exchange(other.m_node, nullptr);
    }
    return *this;
}

std::variant<PropertyListDictionary, PropertyListFault>
PropertyListDictionary::read(std::span<const std::uint8_t> bytes) {
    // libplist takes a 32-bit length; a list that large is no preference file.
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return PropertyListFault::Unreadable;
    // A list nested or shared past what libplist can build would stop the process or never
    // finish, so it is refused before libplist sees it.
    if (!propertyListWithinLimits(bytes))
        return PropertyListFault::PastLimits;
    if (bytes.empty())
        return PropertyListFault::Unreadable;
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::uint32_t>(bytes.size()), &root);
    if (!root)
        return PropertyListFault::Unreadable;
    PropertyListDictionary dictionary(root);
    if (plist_get_node_type(root) != PLIST_DICT)
        return PropertyListFault::NotDictionary;
    return dictionary;
}

std::optional<PropertyValue> PropertyListDictionary::get(const std::string& key) const {
    // libplist looks keys up as C strings; a key with a NUL byte would match a shorter one.
    if (key.find('\0') != std::string::npos)
        return std::nullopt;
    plist_t item = plist_dict_get_item(m_node, key.c_str());
    if (!item)
        return std::nullopt;
    return toPropertyValue(item);
}

void PropertyListDictionary::set(const std::string& key, const PropertyValue& value) {
    // The dictionary takes the node over, freeing any value it replaces.
    plist_dict_set_item(m_node, key.c_str(), toNode(value));
}

bool PropertyListDictionary::remove(const std::string& key) {
    if (!plist_dict_get_item(m_node, key.c_str()))
        return false;
    plist_dict_remove_item(m_node, key.c_str());
    return true;
}

std::optional<std::vector<std::uint8_t>>
PropertyListDictionary::write(PropertyListFormat format) const {
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (format == PropertyListFormat::Xml)
        plist_to_xml(m_node, &bytes, &length);
    else
        plist_to_bin(m_node, &bytes, &length);
    if (!bytes)
        return std::nullopt;
    std::vector<std::uint8_t> written(bytes, bytes + length);
    if (format == PropertyListFormat::Xml)
        plist_to_xml_free(bytes);
    else
        plist_to_bin_free(bytes);
    return written;
}

} // namespace platform
