#include "sim/PrivatePreferenceDomain.h"

#include "common/SystemCalls.h"
#include "common/TemporaryFolder.h"
#include "common/WholeOutput.h"
#include "platform/DeviceFileSystem.h"
#include "platform/PreferenceStore.h"
#include "platform/PropertyList.h"
#include "platform/RootedPath.h"
#include "sim/PrivateCopy.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace velorin::sim {

namespace {

namespace fs = std::filesystem;

// The copy's dictionary, or a fresh one when the copy is missing or the store could not read
// it as a dictionary (too large, or a list nested or shared past what libplist can build).
platform::PropertyListDictionary readDictionary(const std::string& path) {
    auto bytes = platform::contentsOfHostFile(path, platform::preferenceListByteLimit);
    if (!bytes)
        return {};
    auto list = platform::PropertyListDictionary::read(*bytes);
    if (auto* dictionary = std::get_if<platform::PropertyListDictionary>(&list))
        return std::move(*dictionary);
    return {};
}

// Writes beside the file and renames, so that a reader never sees half a list.
common::Result<void> writeDictionary(const std::string& path,
                                     const platform::PropertyListDictionary& dictionary) {
    auto bytes = dictionary.write(platform::PropertyListFormat::Binary);
    if (!bytes)
        return common::Fault(path, "cannot encode the preference list");
    fs::path file(path);
    auto folder = TRY(common::openFile(file.parent_path().string(), O_PATH | O_DIRECTORY)
                          .withContext(path, "cannot replace the preference list"));
    // A private copy needs no flush: it goes with the host.
    return common::replaceFileWhole(folder.get(), file.filename().string(), *bytes, 0644,
                                    file.filename().string() + ".new", common::Durability::Unsynced)
        .withContext(path, "cannot replace the preference list");
}

} // namespace

std::string rootPreferenceFilePath(const std::string& deviceRoot, const std::string& domain) {
    return (fs::path(deviceRoot) / platform::preferenceDevicePath(domain)).string();
}

common::Result<std::unique_ptr<PrivatePreferenceDomain>>
PrivatePreferenceDomain::make(const std::string& deviceRoot, std::string domain) {
    auto folder = common::TemporaryFolder::make("velorin-sim");
    if (!folder)
        return folder.fault();
    // Owned from here, so that a failed copy leaves no folder behind.
    std::unique_ptr<PrivatePreferenceDomain> copy(
        new PrivatePreferenceDomain(std::move(folder).value(), std::move(domain)));
    // Only what the extension reads is copied: a list within the read limit, opened inside
    // the root, so that neither a huge file nor a link out of the root is copied.
    auto root =
        TRY(common::openRoot(deviceRoot).withContext(deviceRoot, "cannot open the device root"));
    common::CopyAllowance allowance = common::CopyAllowance::forFolder(copy->folder());
    TRY(copyPreferenceList(root.get(), copy->m_domain, deviceRoot, copy->filePath(), allowance));
    platform::setPreferenceDirectory(copy->folder());
    return copy;
}

PrivatePreferenceDomain::PrivatePreferenceDomain(common::TemporaryFolder folder, std::string domain)
    : m_folder(std::move(folder)), m_domain(std::move(domain)) {
}

PrivatePreferenceDomain::~PrivatePreferenceDomain() {
    // The folder itself goes after this, with its owner.
    platform::setPreferenceDirectory("");
}

std::string PrivatePreferenceDomain::filePath() const {
    return (fs::path(folder()) / (m_domain + ".plist")).string();
}

common::Result<void> PrivatePreferenceDomain::set(const std::string& key,
                                                  const platform::PropertyValue& value) {
    using platform::PropertyKind;
    if (value.kind != PropertyKind::Boolean && value.kind != PropertyKind::Integer &&
        value.kind != PropertyKind::Real && value.kind != PropertyKind::String)
        return common::Fault("a preference value must be a boolean, a number or a string");
    platform::PropertyListDictionary dictionary = readDictionary(filePath());
    dictionary.set(key, value);
    return writeDictionary(filePath(), dictionary);
}

common::Result<void> PrivatePreferenceDomain::remove(const std::string& key) {
    platform::PropertyListDictionary dictionary = readDictionary(filePath());
    // Removing a key the domain does not hold changes nothing, so the copy is left as it is.
    if (!dictionary.remove(key))
        return {};
    return writeDictionary(filePath(), dictionary);
}

} // namespace velorin::sim
