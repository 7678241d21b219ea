#include "tests/support/TemporaryDeviceRoot.h"

#include "platform/DeviceFileSystem.h"
#include "platform/PreferenceStore.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace velorin::testing {

TemporaryDeviceRoot::TemporaryDeviceRoot() : m_previousRoot(platform::deviceRoot()) {
    auto pattern = (std::filesystem::temp_directory_path() / "velorin-root-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary device root from " + pattern);
    m_path = pattern;
    platform::setDeviceRoot(m_path.string());
}

TemporaryDeviceRoot::~TemporaryDeviceRoot() {
    platform::setDeviceRoot(m_previousRoot);
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path TemporaryDeviceRoot::hostPath(std::string_view devicePath) const {
    while (devicePath.starts_with('/'))
        devicePath.remove_prefix(1);
    return m_path / devicePath;
}

void TemporaryDeviceRoot::writePreferences(const std::string& domain,
                                           const PreferenceEntries& entries,
                                           PropertyListFormat format) const {
    platform::PropertyListDictionary dictionary;
    for (const auto& [key, value] : entries)
        dictionary.set(key, value);
    auto bytes = dictionary.write(format);
    if (!bytes)
        throw std::runtime_error("cannot encode the preferences of " + domain);
    writeFile(platform::preferenceDevicePath(domain), *bytes);
}

void TemporaryDeviceRoot::writePreferenceFile(const std::string& domain,
                                              std::string_view contents) const {
    writeFile(platform::preferenceDevicePath(domain), contents);
}

void TemporaryDeviceRoot::writeFile(std::string_view devicePath, std::string_view contents) const {
    auto file = hostPath(devicePath);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!stream)
        throw std::runtime_error("cannot write " + file.string());
}

void TemporaryDeviceRoot::writeFile(std::string_view devicePath,
                                    const std::vector<std::uint8_t>& contents) const {
    writeFile(devicePath,
              std::string_view(reinterpret_cast<const char*>(contents.data()), contents.size()));
}

void TemporaryDeviceRoot::makeFolder(std::string_view devicePath) const {
    std::filesystem::create_directories(hostPath(devicePath));
}

} // namespace velorin::testing
