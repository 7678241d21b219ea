// The preference store, reading each domain's property list afresh at every call through the
// property-list module, which takes XML and binary lists alike.
#include "platform/PreferenceStore.h"

#include "platform/DeviceFileSystem.h"
#include "platform/PropertyList.h"

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

} // namespace

NSUserDefaults* NSUserDefaults::standardUserDefaults() {
    static auto* defaults = new NSUserDefaults;
    return defaults;
}

std::optional<PropertyValue> NSUserDefaults::objectForKey(const std::string& key,
                                                          const std::string& domain) {
    auto contents = readDomainFile(domain);
    if (!contents)
        return std::nullopt;
    // A list that cannot be read as a dictionary, for whatever reason, holds no keys.
    auto list = PropertyListDictionary::read(*contents);
    const auto* dictionary = std::get_if<PropertyListDictionary>(&list);
    if (!dictionary)
        return std::nullopt;
    return dictionary->get(key);
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
