// The preference store, reading each domain's property list afresh at every call through the
// property-list value reader, which takes XML and binary lists alike.
#include "platform/PreferenceStore.h"

#include "platform/DeviceFileSystem.h"
#include "platform/PropertyListValues.h"

#include <filesystem>

namespace platform {

namespace {

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

// The domain's values for `keys`; a list that cannot be read as a dictionary, for whatever
// reason, holds no keys.
std::vector<std::optional<PropertyValue>> readDomainValues(const std::string& domain,
                                                           std::span<const std::string_view> keys) {
    std::vector<std::optional<PropertyValue>> none(keys.size());
    auto contents = readDomainFile(domain);
    if (!contents)
        return none;
    auto list = readPropertyListValues(*contents, keys);
    auto* values = std::get_if<PropertyListValues>(&list);
    return values ? std::move(*values) : none;
}

} // namespace

PreferenceDomainValues::PreferenceDomainValues(std::span<const std::string_view> keys,
                                               std::vector<std::optional<PropertyValue>> values)
    : m_keys(keys), m_values(std::move(values)) {
}

const std::optional<PropertyValue>&
PreferenceDomainValues::objectForKey(std::string_view key) const {
    static const std::optional<PropertyValue> absent;
    for (std::size_t index = 0; index < m_keys.size() && index < m_values.size(); ++index) {
        if (m_keys[index] == key)
            return m_values[index];
    }
    return absent;
}

NSUserDefaults* NSUserDefaults::standardUserDefaults() {
    static auto* defaults = new NSUserDefaults;
    return defaults;
}

std::optional<PropertyValue> NSUserDefaults::objectForKey(const std::string& key,
                                                          const std::string& domain) {
    const std::string_view keys[] = {key};
    return std::move(readDomainValues(domain, keys).front());
}

PreferenceDomainValues
NSUserDefaults::persistentDomainForName(const std::string& domain,
                                        std::span<const std::string_view> keys) {
    return PreferenceDomainValues(keys, readDomainValues(domain, keys));
}

std::string preferenceDevicePath(const std::string& domain) {
    return std::string(preferencesFolder) + "/" + domain + ".plist";
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
