#include "tools/prefs/PreferenceEditor.h"

#include "platform/PropertyListLimits.h"
#include "settings/Settings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;

constexpr std::array<PreferenceKey, 6> keys{{
    {enabledPreferenceKey, PreferenceValueKind::Switch, "false"},
    {sequenceNamePreferenceKey, PreferenceValueKind::SequenceName, defaultSequenceName},
    {loopPreferenceKey, PreferenceValueKind::Switch, "false"},
    {noSleepPreferenceKey, PreferenceValueKind::Switch, "false"},
    {showOnWakePreferenceKey, PreferenceValueKind::Switch, "false"},
    {hideBatteryPreferenceKey, PreferenceValueKind::Switch, "true"},
}};

struct PlistDeleter {
    void operator()(void* node) const { plist_free(node); }
};
using PlistHolder = std::unique_ptr<void, PlistDeleter>;

ToolError fault(const std::string& file, std::string message) {
    return ToolError{file, std::move(message)};
}

std::string knownKeyList() {
    std::string list;
    for (const PreferenceKey& key : keys)
        list += (list.empty() ? "" : ", ") + std::string(key.name);
    return list;
}

ToolResult<const PreferenceKey*> findKey(const std::string& file, const std::string& name) {
    for (const PreferenceKey& key : keys) {
        if (name == key.name)
            return &key;
    }
    return fault(file, "unknown key \"" + name + "\" (known keys: " + knownKeyList() + ")");
}

// The domain's dictionary: an empty one when the file does not exist, a fault when it exists
// but is not a property-list dictionary.
ToolResult<PlistHolder> loadDomain(const std::string& file) {
    std::error_code error;
    auto status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return PlistHolder(plist_new_dict());
    if (error)
        return fault(file, error.message());
    if (status.type() != fs::file_type::regular)
        return fault(file, "not a regular file");
    std::ifstream stream(file, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(stream),
                            std::istreambuf_iterator<char>()};
    if (!stream.good() && !stream.eof())
        return fault(file, "cannot be read");
    if (!platform::propertyListWithinLimits(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())))
        return fault(file, "nested or shared too deeply to be read safely; left unchanged");
    plist_t root = nullptr;
    if (!bytes.empty())
        plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    PlistHolder holder(root);
    if (!root)
        return fault(file, "not a readable property list; left unchanged");
    if (plist_get_node_type(root) != PLIST_DICT)
        return fault(file, "the property list's top level is not a dictionary; left unchanged");
    return holder;
}

std::string valueText(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value ? "true" : "false";
    }
    case PLIST_UINT: {
        // Preference integers are signed; libplist keeps the bits of a negative one.
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return std::to_string(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0.0;
        plist_get_real_val(node, &value);
        char text[64];
        std::snprintf(text, sizeof text, "%g", value);
        return text;
    }
    case PLIST_STRING: {
        // Read with its length: a stored string may hold a NUL, which the copying getter
        // refuses by stopping the process.
        std::uint64_t length = 0;
        const char* value = plist_get_string_ptr(node, &length);
        return value ? std::string(value, length) : std::string();
    }
    case PLIST_DATA:
        return "<data>";
    case PLIST_DATE:
        return "<date>";
    case PLIST_ARRAY:
        return "<array>";
    case PLIST_DICT:
        return "<dictionary>";
    default:
        return "<other>";
    }
}

PreferenceReading readKey(plist_t domain, const PreferenceKey& key) {
    PreferenceReading reading{key.name, std::nullopt, key.defaultValue};
    if (plist_t node = plist_dict_get_item(domain, key.name))
        reading.value = valueText(node);
    return reading;
}

std::optional<bool> parseSwitch(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char character) { return std::tolower(character); });
    if (text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "false" || text == "no" || text == "0")
        return false;
    return std::nullopt;
}

bool writeAll(int descriptor, const char* bytes, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::write(descriptor, bytes, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

// Where a write must land: a symbolic link is followed, so that the rename replaces the file
// the user keeps elsewhere rather than the link.
std::string writeTarget(const std::string& file) {
    fs::path path = file;
    std::error_code error;
    // A bound on the chain of links, as the system sets one, so that a loop ends.
    for (int depth = 0; depth < 40 && fs::is_symlink(path, error); ++depth) {
        fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.string();
}

// Replaces the file with the binary form of `domain`, through a flushed temporary file in
// the same folder and a rename, keeping the old file's permissions. Faults name `givenFile`,
// the name the user knows.
ToolResult<std::monostate> storeDomain(const std::string& givenFile, plist_t domain) {
    const std::string file = writeTarget(givenFile);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(domain, &bytes, &length);
    std::unique_ptr<char, decltype(&std::free)> binary(bytes, &std::free);
    if (!bytes)
        return fault(givenFile, "cannot encode the property list");

    fs::path folder = fs::path(file).parent_path();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return fault(folder.string(), "cannot make the folder: " + error.message());

    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(file.c_str(), &existing) == 0)
        mode = existing.st_mode & 07777;

    std::string temporary = file + ".XXXXXX";
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return fault(givenFile,
                     std::string("cannot make a temporary file: ") + std::strerror(errno));
    bool written = writeAll(descriptor, bytes, length) && ::fchmod(descriptor, mode) == 0 &&
                   ::fsync(descriptor) == 0;
    int savedError = errno;
    written = (::close(descriptor) == 0) && written;
    if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        if (written)
            savedError = errno;
        ::unlink(temporary.c_str());
        return fault(givenFile, std::string("cannot write: ") + std::strerror(savedError));
    }
    // The rename itself is made durable by flushing the folder.
    if (int folderDescriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY);
        folderDescriptor >= 0) {
        ::fsync(folderDescriptor);
        ::close(folderDescriptor);
    }
    return std::monostate{};
}

} // namespace

std::span<const PreferenceKey> knownPreferenceKeys() {
    return keys;
}

std::string preferenceFileUnderRoot(const std::string& root) {
    return (fs::path(root) / "var/mobile/Library/Preferences" /
            (std::string(preferenceDomain) + ".plist"))
        .string();
}

ToolResult<std::vector<PreferenceReading>> readPreferences(const std::string& file) {
    auto domain = loadDomain(file);
    if (!domain)
        return domain.error();
    std::vector<PreferenceReading> readings;
    for (const PreferenceKey& key : keys)
        readings.push_back(readKey(domain.value().get(), key));
    return readings;
}

ToolResult<PreferenceReading> readPreference(const std::string& file, const std::string& key) {
    auto known = findKey(file, key);
    if (!known)
        return known.error();
    auto domain = loadDomain(file);
    if (!domain)
        return domain.error();
    return readKey(domain.value().get(), *known.value());
}

ToolResult<std::monostate> setPreference(const std::string& file, const std::string& key,
                                         const std::string& valueText) {
    auto known = findKey(file, key);
    if (!known)
        return known.error();
    plist_t node = nullptr;
    if (known.value()->kind == PreferenceValueKind::Switch) {
        auto value = parseSwitch(valueText);
        if (!value)
            return fault(file, "\"" + key + "\" takes true or false (or yes, no, 1, 0), not \"" +
                                   valueText + "\"");
        node = plist_new_bool(*value ? 1 : 0);
    } else {
        if (valueText.empty())
            return fault(file, "\"" + key +
                                   "\" takes a sequence name; an empty one chooses none (use "
                                   "unset to go back to the default)");
        node = plist_new_string(valueText.c_str());
    }
    auto domain = loadDomain(file);
    if (!domain) {
        plist_free(node);
        return domain.error();
    }
    // The dictionary takes the node over, freeing any value it replaces.
    plist_dict_set_item(domain.value().get(), key.c_str(), node);
    return storeDomain(file, domain.value().get());
}

ToolResult<std::monostate> unsetPreference(const std::string& file, const std::string& key) {
    auto known = findKey(file, key);
    if (!known)
        return known.error();
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error)))
        return std::monostate{};
    auto domain = loadDomain(file);
    if (!domain)
        return domain.error();
    if (!plist_dict_get_item(domain.value().get(), key.c_str()))
        return std::monostate{};
    plist_dict_remove_item(domain.value().get(), key.c_str());
    return storeDomain(file, domain.value().get());
}

} // namespace velorin::tools
