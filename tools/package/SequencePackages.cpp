#include "tools/package/SequencePackages.h"

#include "common/ExclusiveLock.h"
#include "common/RootedDestination.h"
#include "common/SystemCalls.h"
#include "common/WholeOutput.h"
#include "sequences/SequenceDirectory.h"
#include "tools/common/SequenceArgument.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* recordName = "installedPackages.json";
// Far more than a record of every sequence a root could hold takes.
constexpr std::uintmax_t mostRecordBytes = 16u * 1024 * 1024;

// The record's place, in the Velorin folder resolved inside the root as the sequences are.
common::Result<fs::path> recordPath(const std::string& root) {
    fs::path shown = fs::path(sequencesFolderOfRoot(root)).parent_path();
    fs::path sequencesPath = fs::path(sequenceRoot).lexically_normal();
    if (!sequencesPath.has_filename())
        sequencesPath = sequencesPath.parent_path();
    auto folder = TRY(common::folderDestinationInRoot(
        root, sequencesPath.parent_path().string(), shown.string()));
    return fs::path(folder) / recordName;
}

std::optional<std::string> readRecordText(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(path, error)) ||
        fs::file_size(path, error) > mostRecordBytes)
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file && !file.eof())
        return std::nullopt;
    return text;
}

common::Result<void> writeRecordText(const fs::path& path, const std::string& text) {
    return common::replaceFileWhole(
               path.string(),
               std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
               common::plainFileMode(), common::Durability::Unsynced)
        .withContext(path.string(), "cannot be written");
}

// Held while the record is read and rewritten, so that two installs keep each other's entries.
common::Result<common::ExclusiveLock> lockRecord(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    auto folder = TRY(common::openFile(path.parent_path().string(), O_RDONLY | O_DIRECTORY));
    return common::ExclusiveLock::onLockFile(folder.get(), path.filename().string() + ".lock");
}

} // namespace

std::map<std::string, PackageOrigin> readSequencePackages(const std::string& root) {
    std::map<std::string, PackageOrigin> origins;
    auto path = recordPath(root);
    auto text = path ? readRecordText(path.value()) : std::nullopt;
    if (!text)
        return origins;
    Json record = Json::parse(*text, nullptr, false);
    if (!record.is_object() || !record["sequences"].is_object())
        return origins;
    for (const auto& item : record["sequences"].items()) {
        const Json& entry = item.value();
        if (!entry.is_object())
            continue;
        auto field = [&entry](const char* key) {
            return entry.contains(key) && entry[key].is_string() ? entry[key].get<std::string>()
                                                                 : std::string();
        };
        origins[item.key()] = {field("package"), field("version"), field("fingerprint")};
    }
    return origins;
}

common::Result<std::optional<std::string>>
recordSequencePackages(const std::string& root, const std::map<std::string, PackageOrigin>& added) {
    fs::path path = TRY(recordPath(root));
    auto lock = TRY(lockRecord(path).withContext(path.string(), "cannot be written"));
    std::optional<std::string> former = readRecordText(path);
    Json record = former ? Json::parse(*former, nullptr, false) : Json::object();
    if (!record.is_object())
        record = Json::object();
    if (!record["sequences"].is_object())
        record["sequences"] = Json::object();
    for (const auto& [name, origin] : added)
        record["sequences"][name] = {{"package", origin.identifier},
                                     {"version", origin.version},
                                     {"fingerprint", origin.fingerprint}};
    TRY(writeRecordText(path, record.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"));
    return former;
}

common::Result<void> restoreSequencePackages(const std::string& root,
                                             const std::optional<std::string>& former) {
    fs::path path = TRY(recordPath(root));
    // Put back under the lock when it can be taken; the former text is written back all the same.
    auto lock = lockRecord(path);
    if (former)
        return writeRecordText(path, *former);
    std::error_code error;
    fs::remove(path, error);
    if (error)
        return common::Fault{path.string(),
                             "cannot be removed: " + common::describeSystemError(error)};
    return {};
}

std::string sequenceFingerprint(const std::string& folder) {
    std::vector<std::pair<std::string, std::uintmax_t>> files;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code sizeError;
        std::uintmax_t size = entry->is_regular_file(sizeError) ? entry->file_size(sizeError) : 0;
        files.emplace_back(entry->path().filename().string(), size);
    }
    std::sort(files.begin(), files.end());
    // FNV-1a over the names and sizes: stable from one run and one build to the next.
    std::uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](const std::string& text) {
        for (unsigned char character : text) {
            hash ^= character;
            hash *= 1099511628211ull;
        }
        hash ^= 0;
        hash *= 1099511628211ull;
    };
    for (const auto& [name, size] : files) {
        mix(name);
        mix(std::to_string(size));
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return std::to_string(files.size()) + "-" + text;
}

} // namespace velorin::tools
