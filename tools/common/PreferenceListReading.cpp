#include "tools/common/PreferenceListReading.h"

#include "common/ByteCount.h"
#include "common/SystemCalls.h"
#include "platform/DeviceFileSystem.h"
#include "platform/PreferenceStore.h"
#include "platform/PropertyListLimits.h"
#include "settings/Settings.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace velorin::tools {

namespace {

PreferenceListReading refused(std::string reason) {
    PreferenceListReading reading;
    reading.state = PreferenceListReading::State::Refused;
    reading.refusal = std::move(reason);
    return reading;
}

std::string describeFault(platform::PropertyListFault fault) {
    switch (fault) {
    case platform::PropertyListFault::PastLimits:
        return "nests deeper than " + std::to_string(platform::maximumPropertyListDepth) +
               " levels or holds more than " + std::to_string(platform::maximumPropertyListValues) +
               " values, past what the extension reads safely";
    case platform::PropertyListFault::NotDictionary:
        return "holds something other than a dictionary at its top level";
    case platform::PropertyListFault::Unreadable:
        break;
    }
    return "is not a property list the extension can read";
}

} // namespace

PreferenceListReading
readOpenedPreferenceList(const common::Result<platform::FileDescriptor>& opened) {
    if (!opened) {
        if (opened.fault().systemError == ENOENT)
            return {};
        return refused("cannot be opened: " + opened.fault().message);
    }
    const platform::FileDescriptor& file = opened.value();
    auto statusRead = common::statusOf(file.get());
    if (!statusRead)
        return refused("cannot be read: " + statusRead.fault().message);
    const struct stat& status = statusRead.value();
    if (!S_ISREG(status.st_mode))
        return refused("is not a regular file");
    if (static_cast<std::uint64_t>(status.st_size) > platform::preferenceListByteLimit)
        return refused(
            "is " +
            common::describeByteCountOver(static_cast<std::uint64_t>(status.st_size),
                                          platform::preferenceListByteLimit) +
            ", larger than the " + common::describeByteCount(platform::preferenceListByteLimit) +
            " the extension reads");
    errno = 0;
    auto bytes = platform::contentsOfOpenFile(file.get(), platform::preferenceListByteLimit);
    if (!bytes) {
        if (errno != 0)
            return refused("cannot be read: " + common::describeSystemError(errno));
        return refused("grew past the " +
                       common::describeByteCount(platform::preferenceListByteLimit) +
                       " the extension reads while it was read");
    }
    auto list = platform::PropertyListDictionary::read(*bytes);
    if (auto* fault = std::get_if<platform::PropertyListFault>(&list))
        return refused(describeFault(*fault));
    PreferenceListReading reading;
    reading.state = PreferenceListReading::State::Read;
    reading.format = platform::propertyListFormat(*bytes);
    reading.dictionary = std::move(std::get<platform::PropertyListDictionary>(list));
    return reading;
}

PreferenceListReading readRootPreferenceList(const std::string& deviceRoot) {
    auto root = common::openRoot(deviceRoot);
    if (!root)
        return refused("cannot be reached: the device root " + deviceRoot +
                       " cannot be opened: " + root.fault().message);
    return readOpenedPreferenceList(
        common::openInsideRoot(root.value().get(), platform::preferenceDevicePath(preferenceDomain),
                               O_RDONLY | O_NONBLOCK));
}

Settings settingsIn(const PreferenceListReading& reading) {
    return readSettings([&reading](const char* key) { return reading.dictionary.get(key); });
}

Settings readRootSettings(const std::string& deviceRoot) {
    return settingsIn(readRootPreferenceList(deviceRoot));
}

} // namespace velorin::tools
