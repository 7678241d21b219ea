#include "sim/PrivatePreferenceDomain.h"

#include "platform/PreferenceStore.h"
#include "platform/PropertyList.h"
#include "sim/TemporaryFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace velorin::sim {

namespace {

namespace fs = std::filesystem;

// The copy's dictionary, or a fresh one when the copy is missing or cannot be read as a
// dictionary (a list nested or shared past what libplist can build among them).
platform::PropertyListDictionary readDictionary(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>()};
    auto list = platform::PropertyListDictionary::read(bytes);
    if (auto* dictionary = std::get_if<platform::PropertyListDictionary>(&list))
        return std::move(*dictionary);
    return {};
}

// Writes beside the file and renames, so that a reader never sees half a list.
Result<void> writeDictionary(const std::string& path,
                             const platform::PropertyListDictionary& dictionary) {
    auto bytes = dictionary.write(platform::PropertyListFormat::Binary);
    if (!bytes)
        return Fault(path, "cannot encode the preference list");
    std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes->data()),
                   static_cast<std::streamsize>(bytes->size()));
        if (!file)
            return Fault(temporary, "cannot write the preference list");
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error)
        return Fault(path, "cannot replace the preference list: " + error.message());
    return {};
}

} // namespace

std::string rootPreferenceFilePath(const std::string& deviceRoot, const std::string& domain) {
    return (fs::path(deviceRoot) / platform::preferenceDevicePath(domain)).string();
}

Result<std::unique_ptr<PrivatePreferenceDomain>>
PrivatePreferenceDomain::make(const std::string& deviceRoot, std::string domain) {
    auto folder = makeTemporaryFolder("velorin-sim");
    if (!folder)
        return folder.fault();
    // Owned from here, so that a failed copy leaves no folder behind.
    std::unique_ptr<PrivatePreferenceDomain> copy(
        new PrivatePreferenceDomain(std::move(folder).value(), std::move(domain)));
    std::string source = rootPreferenceFilePath(deviceRoot, copy->m_domain);
    std::error_code error;
    if (fs::is_regular_file(source, error)) {
        fs::copy_file(source, copy->filePath(), error);
        if (error)
            return Fault(source, "cannot copy the preference list: " + error.message());
    }
    platform::setPreferenceDirectory(copy->m_folder);
    return copy;
}

PrivatePreferenceDomain::PrivatePreferenceDomain(std::string folder, std::string domain)
    : m_folder(std::move(folder)), m_domain(std::move(domain)) {
}

PrivatePreferenceDomain::~PrivatePreferenceDomain() {
    platform::setPreferenceDirectory("");
    std::error_code error;
    fs::remove_all(m_folder, error);
}

std::string PrivatePreferenceDomain::filePath() const {
    return (fs::path(m_folder) / (m_domain + ".plist")).string();
}

Result<void> PrivatePreferenceDomain::set(const std::string& key,
                                          const platform::PropertyValue& value) {
    using platform::PropertyKind;
    if (value.kind != PropertyKind::Boolean && value.kind != PropertyKind::Integer &&
        value.kind != PropertyKind::Real && value.kind != PropertyKind::String)
        return Fault("a preference value must be a boolean, a number or a string");
    platform::PropertyListDictionary dictionary = readDictionary(filePath());
    dictionary.set(key, value);
    return writeDictionary(filePath(), dictionary);
}

Result<void> PrivatePreferenceDomain::remove(const std::string& key) {
    platform::PropertyListDictionary dictionary = readDictionary(filePath());
    // Removing a key the domain does not hold changes nothing, so the copy is left as it is.
    if (!dictionary.remove(key))
        return {};
    return writeDictionary(filePath(), dictionary);
}

} // namespace velorin::sim
