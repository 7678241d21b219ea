// The preference store, reading each domain's property list afresh at every call.
//
// The list is parsed with libplist, which tells XML and binary lists apart by their first
// bytes. libplist keeps every integer as an unsigned 64-bit value, and a negative number
// arrives as its two's complement; preference integers are signed, so the bits are read back
// as a signed value. Unsigned values above the signed range cannot be told from negative ones
// and read as negative.
#include "platform/PreferenceStore.h"

#include "platform/DeviceFileSystem.h"
#include "platform/PropertyListLimits.h"

#include <filesystem>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace platform {

namespace {

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistHolder = std::unique_ptr<void, PlistDeleter>;

constexpr std::string_view preferencesFolder = "var/mobile/Library/Preferences/";

std::string preferenceDevicePath(const std::string& domain) {
    return std::string(preferencesFolder) + domain + ".plist";
}

std::string& preferenceDirectory() {
    static std::string directory;
    return directory;
}

// The domain's file, from the folder set with setPreferenceDirectory or else from the device
// root. Only regular files within the size limit are read.
std::optional<std::vector<std::uint8_t>> readDomainFile(const std::string& domain) {
    if (preferenceDirectory().empty())
        return dataWithContentsOfFile(preferenceDevicePath(domain), preferenceListByteLimit);
    return contentsOfHostFile(preferenceFilePath(domain), preferenceListByteLimit);
}

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

} // namespace

NSUserDefaults* NSUserDefaults::standardUserDefaults() {
    static auto* defaults = new NSUserDefaults;
    return defaults;
}

std::optional<PropertyValue> NSUserDefaults::objectForKey(const std::string& key,
                                                          const std::string& domain) {
    // libplist looks keys up as C strings; a key with a NUL byte would match a shorter one.
    if (key.find('\0') != std::string::npos)
        return std::nullopt;
    auto contents = readDomainFile(domain);
    // libplist takes a 32-bit length; a list that large is no preference file.
    if (!contents || contents->empty() ||
        contents->size() > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    // A list nested or shared past what libplist can build would stop the process or never
    // finish; it holds no keys, like any list that cannot be read.
    if (!propertyListWithinLimits(*contents))
        return std::nullopt;
    plist_t parsed = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(contents->data()),
                      static_cast<std::uint32_t>(contents->size()), &parsed);
    PlistHolder root(parsed);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    plist_t item = plist_dict_get_item(root.get(), key.c_str());
    if (!item)
        return std::nullopt;
    return toPropertyValue(item);
}

std::string preferenceFilePath(const std::string& domain) {
    if (!preferenceDirectory().empty())
        return (std::filesystem::path(preferenceDirectory()) / (domain + ".plist")).string();
    return resolveDevicePath(preferenceDevicePath(domain));
}

void setPreferenceDirectory(const std::string& hostPath) {
    preferenceDirectory() = hostPath;
}

} // namespace platform
