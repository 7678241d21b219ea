#include "tests/support/TemporaryDeviceRoot.h"

#include "platform/DeviceFileSystem.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <plist/plist.h>
#include <stdexcept>

namespace velorin::testing {

namespace {

constexpr std::string_view preferencesFolder = "var/mobile/Library/Preferences/";

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};

plist_t makeNode(const platform::PropertyValue& value) {
    using platform::PropertyKind;
    switch (value.kind) {
    case PropertyKind::Boolean:
        return plist_new_bool(std::get<bool>(value.value) ? 1 : 0);
    case PropertyKind::Integer:
        // libplist keeps integers unsigned; a negative number goes in as its two's complement.
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
    std::unique_ptr<void, PlistDeleter> dictionary(plist_new_dict());
    for (const auto& [key, value] : entries)
        plist_dict_set_item(dictionary.get(), key.c_str(), makeNode(value));
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (format == PropertyListFormat::Xml)
        plist_to_xml(dictionary.get(), &bytes, &length);
    else
        plist_to_bin(dictionary.get(), &bytes, &length);
    std::string contents(bytes, length);
    std::free(bytes);
    writePreferenceFile(domain, contents);
}

void TemporaryDeviceRoot::writePreferenceFile(const std::string& domain,
                                              std::string_view contents) const {
    writeFile(std::string(preferencesFolder) + domain + ".plist", contents);
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
