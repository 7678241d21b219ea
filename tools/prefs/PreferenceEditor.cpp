#include "tools/prefs/PreferenceEditor.h"

#include "platform/PropertyList.h"
#include "settings/Settings.h"
#include "sim/PrivatePreferenceDomain.h"
#include "sim/QuoteText.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
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

std::string knownKeyList() {
    std::string list;
    for (const PreferenceKey& key : keys)
        list += (list.empty() ? "" : ", ") + std::string(key.name);
    return list;
}

sim::Result<const PreferenceKey*> findKey(const std::string& file, const std::string& name) {
    for (const PreferenceKey& key : keys) {
        if (name == key.name)
            return &key;
    }
    return sim::Fault(file, "unknown key " + sim::quoteText(name) +
                                " (known keys: " + knownKeyList() + ")");
}

// The domain's dictionary: an empty one when the file does not exist, a fault when it exists
// but is not a property-list dictionary.
sim::Result<platform::PropertyListDictionary> loadDomain(const std::string& file) {
    std::error_code error;
    auto status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return platform::PropertyListDictionary();
    if (error)
        return sim::Fault(file, error.message());
    if (status.type() != fs::file_type::regular)
        return sim::Fault(file, "not a regular file");
    std::ifstream stream(file, std::ios::binary);
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(stream),
                                    std::istreambuf_iterator<char>()};
    if (!stream.good() && !stream.eof())
        return sim::Fault(file, "cannot be read");
    auto list = platform::PropertyListDictionary::read(bytes);
    if (auto* dictionary = std::get_if<platform::PropertyListDictionary>(&list))
        return std::move(*dictionary);
    switch (std::get<platform::PropertyListFault>(list)) {
    case platform::PropertyListFault::PastLimits:
        return sim::Fault(file, "nested or shared too deeply to be read safely; left unchanged");
    case platform::PropertyListFault::NotDictionary:
        return sim::Fault(file,
                          "the property list's top level is not a dictionary; left unchanged");
    case platform::PropertyListFault::Unreadable:
        break;
    }
    return sim::Fault(file, "not a readable property list; left unchanged");
}

// The stored value as `get` prints it.
std::string valueText(const platform::PropertyValue& value) {
    switch (value.kind) {
    case platform::PropertyKind::Boolean:
        return std::get<bool>(value.value) ? "true" : "false";
    case platform::PropertyKind::Integer:
        return std::to_string(std::get<std::int64_t>(value.value));
    case platform::PropertyKind::Real: {
        char text[64];
        std::snprintf(text, sizeof text, "%g", std::get<double>(value.value));
        return text;
    }
    case platform::PropertyKind::String:
        return *value.stringValue();
    case platform::PropertyKind::Data:
        return "<data>";
    case platform::PropertyKind::Date:
        return "<date>";
    case platform::PropertyKind::Array:
        return "<array>";
    case platform::PropertyKind::Dictionary:
        return "<dictionary>";
    case platform::PropertyKind::Other:
        break;
    }
    return "<other>";
}

PreferenceReading readKey(const platform::PropertyListDictionary& domain,
                          const PreferenceKey& key) {
    PreferenceReading reading{key.name, std::nullopt, key.defaultValue};
    if (auto value = domain.get(key.name))
        reading.value = valueText(*value);
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
sim::Result<void> storeDomain(const std::string& givenFile,
                              const platform::PropertyListDictionary& domain) {
    const std::string file = writeTarget(givenFile);
    auto bytes = domain.write(platform::PropertyListFormat::Binary);
    if (!bytes)
        return sim::Fault(givenFile, "cannot encode the property list");

    fs::path folder = fs::path(file).parent_path();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return sim::Fault(folder.string(), "cannot make the folder: " + error.message());

    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(file.c_str(), &existing) == 0)
        mode = existing.st_mode & 07777;

    std::string temporary = file + ".XXXXXX";
    int descriptor = ::mkstemp(temporary.data());
    if (descriptor < 0)
        return sim::Fault(givenFile,
                          std::string("cannot make a temporary file: ") + std::strerror(errno));
    bool written =
        writeAll(descriptor, reinterpret_cast<const char*>(bytes->data()), bytes->size()) &&
        ::fchmod(descriptor, mode) == 0 && ::fsync(descriptor) == 0;
    int savedError = errno;
    written = (::close(descriptor) == 0) && written;
    if (!written || ::rename(temporary.c_str(), file.c_str()) != 0) {
        if (written)
            savedError = errno;
        ::unlink(temporary.c_str());
        return sim::Fault(givenFile, std::string("cannot write: ") + std::strerror(savedError));
    }
    // The rename itself is made durable by flushing the folder.
    if (int folderDescriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY);
        folderDescriptor >= 0) {
        ::fsync(folderDescriptor);
        ::close(folderDescriptor);
    }
    return {};
}

} // namespace

std::span<const PreferenceKey> knownPreferenceKeys() {
    return keys;
}

std::string preferenceFileUnderRoot(const std::string& root) {
    return sim::rootPreferenceFilePath(root, preferenceDomain);
}

sim::Result<std::vector<PreferenceReading>> readPreferences(const std::string& file) {
    auto domain = loadDomain(file);
    if (!domain)
        return domain.fault();
    std::vector<PreferenceReading> readings;
    for (const PreferenceKey& key : keys)
        readings.push_back(readKey(domain.value(), key));
    return readings;
}

sim::Result<PreferenceReading> readPreference(const std::string& file, const std::string& key) {
    auto known = findKey(file, key);
    if (!known)
        return known.fault();
    auto domain = loadDomain(file);
    if (!domain)
        return domain.fault();
    return readKey(domain.value(), *known.value());
}

sim::Result<void> setPreference(const std::string& file, const std::string& key,
                                const std::string& valueText) {
    auto known = findKey(file, key);
    if (!known)
        return known.fault();
    platform::PropertyValue value;
    if (known.value()->kind == PreferenceValueKind::Switch) {
        auto parsed = parseSwitch(valueText);
        if (!parsed)
            return sim::Fault(file, sim::quoteText(key) +
                                        " takes true or false (or yes, no, 1, 0), not " +
                                        sim::quoteText(valueText));
        value = platform::PropertyValue::boolean(*parsed);
    } else {
        if (valueText.empty())
            return sim::Fault(file, sim::quoteText(key) +
                                        " takes a sequence name; an empty one chooses none (use "
                                        "unset to go back to the default)");
        value = platform::PropertyValue::string(valueText);
    }
    auto domain = loadDomain(file);
    if (!domain)
        return domain.fault();
    domain.value().set(key, value);
    return storeDomain(file, domain.value());
}

sim::Result<void> unsetPreference(const std::string& file, const std::string& key) {
    auto known = findKey(file, key);
    if (!known)
        return known.fault();
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file, error)))
        return {};
    auto domain = loadDomain(file);
    if (!domain)
        return domain.fault();
    if (!domain.value().remove(key))
        return {};
    return storeDomain(file, domain.value());
}

} // namespace velorin::tools
