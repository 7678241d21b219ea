#include "sim/PrivatePreferenceDomain.h"

#include "platform/PreferenceStore.h"
#include "platform/PropertyListLimits.h"
#include "sim/TemporaryFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <plist/plist.h>
#include <stdexcept>
#include <vector>

namespace velorin::sim {

namespace {

namespace fs = std::filesystem;

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistHolder = std::unique_ptr<void, PlistDeleter>;

// The copy's dictionary, or a fresh one when the copy is missing or not a dictionary.
PlistHolder readDictionary(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    // A list nested or shared past what libplist can build would stop the host; like a
    // missing copy, it gives a fresh dictionary.
    if (!bytes.empty() && bytes.size() <= std::numeric_limits<std::uint32_t>::max() &&
        platform::propertyListWithinLimits(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))) {
        plist_t parsed = nullptr;
        plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &parsed);
        PlistHolder root(parsed);
        if (root && plist_get_node_type(root.get()) == PLIST_DICT)
            return root;
    }
    return PlistHolder(plist_new_dict());
}

plist_t toPlist(const platform::PropertyValue& value) {
    switch (value.kind) {
    case platform::PropertyKind::Boolean:
        return plist_new_bool(std::get<bool>(value.value) ? 1 : 0);
    case platform::PropertyKind::Integer:
        // libplist keeps integers unsigned; a negative one is stored as its two's complement,
        // which the store reads back as the signed value.
        return plist_new_uint(static_cast<std::uint64_t>(std::get<std::int64_t>(value.value)));
    case platform::PropertyKind::Real:
        return plist_new_real(std::get<double>(value.value));
    case platform::PropertyKind::String:
        return plist_new_string(value.stringValue()->c_str());
    default:
        break;
    }
    throw std::logic_error("a preference value must be a boolean, a number or a string");
}

// Writes beside the file and renames, so that a reader never sees half a list.
void writeDictionary(const std::string& path, plist_t dictionary) {
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(dictionary, &bytes, &length);
    std::unique_ptr<char, void (*)(char*)> holder(bytes, plist_to_bin_free);
    if (!bytes)
        throw std::runtime_error(path + ": cannot encode the preference list");
    std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(bytes, static_cast<std::streamsize>(length));
        if (!file)
            throw std::runtime_error(temporary + ": cannot write the preference list");
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error)
        throw std::runtime_error(path + ": cannot replace the preference list: " + error.message());
}

} // namespace

std::string rootPreferenceFilePath(const std::string& deviceRoot, const std::string& domain) {
    return (fs::path(deviceRoot) / "var/mobile/Library/Preferences" / (domain + ".plist")).string();
}

PrivatePreferenceDomain::PrivatePreferenceDomain(const std::string& deviceRoot, std::string domain)
    : m_folder(requireTemporaryFolder("velorin-sim")), m_domain(std::move(domain)) {
    std::string source = rootPreferenceFilePath(deviceRoot, m_domain);
    std::error_code error;
    if (fs::is_regular_file(source, error)) {
        fs::copy_file(source, filePath(), error);
        if (error) {
            fs::remove_all(m_folder, error);
            throw std::runtime_error(source +
                                     ": cannot copy the preference list: " + error.message());
        }
    }
    platform::setPreferenceDirectory(m_folder);
}

PrivatePreferenceDomain::~PrivatePreferenceDomain() {
    platform::setPreferenceDirectory("");
    std::error_code error;
    fs::remove_all(m_folder, error);
}

std::string PrivatePreferenceDomain::filePath() const {
    return (fs::path(m_folder) / (m_domain + ".plist")).string();
}

void PrivatePreferenceDomain::set(const std::string& key, const platform::PropertyValue& value) {
    PlistHolder dictionary = readDictionary(filePath());
    plist_dict_set_item(dictionary.get(), key.c_str(), toPlist(value));
    writeDictionary(filePath(), dictionary.get());
}

void PrivatePreferenceDomain::remove(const std::string& key) {
    PlistHolder dictionary = readDictionary(filePath());
    // Removing a key the domain does not hold changes nothing, so the copy is left as it is.
    if (!plist_dict_get_item(dictionary.get(), key.c_str()))
        return;
    plist_dict_remove_item(dictionary.get(), key.c_str());
    writeDictionary(filePath(), dictionary.get());
}

} // namespace velorin::sim
