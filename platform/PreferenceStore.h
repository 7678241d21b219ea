// The per-user preference store (`NSUserDefaults`).
//
// A domain is the property-list file DOMAIN.plist in the preferences folder under the device
// root (`preferencesFolder`); XML and binary lists both read. The file is read afresh at every
// call, so an edit made from outside the process is seen at once. A missing, unreadable or
// malformed file, or one whose top level is not a dictionary, holds no keys; so does a file
// larger than `preferenceListByteLimit`, which is refused before any memory is taken for it.
// Lists are read with the reader of PropertyListValues.h, which survives running out of memory:
// the call then throws std::bad_alloc and has leaked nothing.
#pragma once

#include "platform/PropertyValue.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A preference list holds a handful of switches and a name; a megabyte is far beyond any real
// one, and small enough that reading it never strains the host.
inline constexpr std::size_t preferenceListByteLimit = 1024 * 1024;

// The folder under the device root that holds the preference domains, as a device path.
inline constexpr std::string_view preferencesFolder = "var/mobile/Library/Preferences";

// What one read of a domain holds for the keys it was asked for.
class VELORIN_EXPORT PreferenceDomainValues {
public:
    PreferenceDomainValues(std::span<const std::string_view> keys,
                           std::vector<std::optional<PropertyValue>> values);
    // The value under `key`; none when the key is absent or was not asked for.
    const std::optional<PropertyValue>& objectForKey(std::string_view key) const;

private:
    std::span<const std::string_view> m_keys;
    std::vector<std::optional<PropertyValue>> m_values;
};

class VELORIN_EXPORT NSUserDefaults {
public:
    static NSUserDefaults* standardUserDefaults();
    std::optional<PropertyValue> objectForKey(const std::string& key, const std::string& domain);
    // The domain's values for `keys`, from one read of its list (`persistentDomainForName:`,
    // narrowed to the keys a reader needs). The keys must outlive the result.
    PreferenceDomainValues persistentDomainForName(const std::string& domain,
                                                   std::span<const std::string_view> keys);

private:
    NSUserDefaults() = default;
};

// A domain's file under the device root, as a device path: "var/mobile/.../DOMAIN.plist".
VELORIN_EXPORT std::string preferenceDevicePath(const std::string& domain);

// The file that holds a domain, as a path on this machine.
VELORIN_EXPORT std::string preferenceFilePath(const std::string& domain);

// Keeps the domains in another folder on this machine instead of the device root's preference
// folder, so that a simulated device can edit its preferences without touching the root.
// Empty gives back the folder under the device root.
VELORIN_EXPORT void setPreferenceDirectory(const std::string& hostPath);

} // namespace platform
