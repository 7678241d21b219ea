#include "tools/package/SequencePackages.h"

#include "platform/RootedPath.h"
#include "sequences/SequenceDirectory.h"
#include "sim/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace velorin::tools {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* recordName = "installedPackages.json";
// Far more than a record of every sequence a root could hold takes.
constexpr std::uintmax_t mostRecordBytes = 16u * 1024 * 1024;

fs::path recordPath(const std::string& root) {
    return (fs::path(root) / sequenceRoot).lexically_normal().parent_path().parent_path() /
           recordName;
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

sim::Result<void> writeRecordText(const fs::path& path, const std::string& text) {
    std::string staging = path.string() + ".velorin-new-" + std::to_string(::getpid());
    {
        std::ofstream file(staging, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) {
            std::error_code ignored;
            fs::remove(staging, ignored);
            return sim::Fault{path.string(), "cannot be written"};
        }
    }
    if (::rename(staging.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(staging.c_str());
        return sim::Fault{path.string(), "cannot be written: " + sim::describeSystemError(error)};
    }
    return {};
}

// Held while the record is read and rewritten, so that two installs keep each other's entries.
platform::FileDescriptor lockRecord(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::string lockPath = path.string() + ".lock";
    platform::FileDescriptor lock(
        ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (lock)
        ::flock(lock.get(), LOCK_EX);
    return lock;
}

} // namespace

std::map<std::string, PackageOrigin> readSequencePackages(const std::string& root) {
    std::map<std::string, PackageOrigin> origins;
    auto text = readRecordText(recordPath(root));
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

sim::Result<std::optional<std::string>>
recordSequencePackages(const std::string& root, const std::map<std::string, PackageOrigin>& added) {
    fs::path path = recordPath(root);
    platform::FileDescriptor lock = lockRecord(path);
    if (!lock)
        return sim::Fault{path.string(), "cannot be written: " + sim::describeSystemError(errno)};
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
    if (auto written =
            writeRecordText(path, record.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
        !written)
        return written.fault();
    return former;
}

sim::Result<void> restoreSequencePackages(const std::string& root,
                                          const std::optional<std::string>& former) {
    fs::path path = recordPath(root);
    platform::FileDescriptor lock = lockRecord(path);
    if (former)
        return writeRecordText(path, *former);
    std::error_code error;
    fs::remove(path, error);
    if (error)
        return sim::Fault{path.string(), "cannot be removed: " + error.message()};
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
