// A device root made for one test: a fresh temporary folder that stands for the device's "/"
// while the helper lives. It can lay out preference domains (as XML or binary property lists)
// and any other file. On destruction the previous device root comes back and the folder and
// everything in it is removed.
#pragma once

#include "platform/PropertyList.h"
#include "platform/PropertyValue.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velorin::testing {

using PropertyListFormat = platform::PropertyListFormat;

// The entries of a preference domain, in the order they are written. A value of the kinds
// Data, Date, Array or Dictionary is written as an example of that kind (empty data, the
// reference date, an empty array or dictionary).
using PreferenceEntries = std::vector<std::pair<std::string, platform::PropertyValue>>;

class TemporaryDeviceRoot {
public:
    TemporaryDeviceRoot();
    ~TemporaryDeviceRoot();
    TemporaryDeviceRoot(const TemporaryDeviceRoot&) = delete;
    TemporaryDeviceRoot& operator=(const TemporaryDeviceRoot&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // The place on this machine that a device path names under this root.
    std::filesystem::path hostPath(std::string_view devicePath) const;

    // Writes the domain's file in the preferences folder under the root, holding `entries`.
    void writePreferences(const std::string& domain, const PreferenceEntries& entries,
                          PropertyListFormat format = PropertyListFormat::Xml) const;
    // Writes the domain's file with exactly these bytes, for lists that are malformed or whose
    // top level is not a dictionary.
    void writePreferenceFile(const std::string& domain, std::string_view contents) const;

    // Writes a file at a device path, making the folders above it.
    void writeFile(std::string_view devicePath, std::string_view contents) const;
    void writeFile(std::string_view devicePath, const std::vector<std::uint8_t>& contents) const;
    void makeFolder(std::string_view devicePath) const;

private:
    std::filesystem::path m_path;
    std::string m_previousRoot;
};

} // namespace velorin::testing
