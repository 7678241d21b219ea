// Device paths resolved under the device root, and the foundation library's file reads.
//
// Files and folders are opened inside the root (platform/RootedPath), so neither ".." nor a
// symbolic link reaches outside it. `resolveDevicePath` gives the path on this machine for
// messages and tools; it is lexical and follows no link. A device path holding a NUL byte
// cannot be handed to the host's file system without being cut short and naming another
// file, so every read answers none for it.
#include "platform/DeviceFileSystem.h"

#include "platform/RootedPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string normalizedRoot(const std::string& hostPath);

struct ListingOrderChoice {
    ListingOrder order{ListingOrder::ByteOrder};
    std::uint64_t seed{0};
};

ListingOrderChoice& listingOrder() {
    static ListingOrderChoice choice;
    return choice;
}

// The root a process starts with: a stand-in host, or a small C program that loads the
// extension, names its device root in the environment.
std::string& rootStorage() {
    static auto* root = [] {
        const char* fromEnvironment = std::getenv("VELORIN_DEVICE_ROOT");
        return new std::string(normalizedRoot(fromEnvironment ? fromEnvironment : "/"));
    }();
    return *root;
}

bool holdsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

int hexDigitValue(char character) {
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    return -1;
}

bool isUnreservedOrSlash(unsigned char character) {
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z') ||
           (character >= '0' && character <= '9') || character == '-' || character == '.' ||
           character == '_' || character == '~' || character == '/';
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char left, char right) {
        auto lower = [](char character) {
            return character >= 'A' && character <= 'Z' ? static_cast<char>(character + 32)
                                                        : character;
        };
        return lower(left) == lower(right);
    });
}

std::string normalizedRoot(const std::string& hostPath) {
    std::string root = hostPath.empty() ? std::string("/") : hostPath;
    std::error_code error;
    auto absolute = std::filesystem::absolute(root, error);
    if (!error)
        root = absolute.lexically_normal().string();
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

// The device path a "file://" location names, percent-decoded; none for any other scheme or
// a location that does not decode.
std::optional<std::string> devicePathOfURL(std::string_view url);

// The process's device root, opened to resolve paths in.
FileDescriptor openDeviceRoot() {
    return openRootFolder(deviceRoot());
}

// The size of an open file when it is a regular file of at most `maximumBytes`; none otherwise.
std::optional<std::size_t> regularFileSize(int file, std::size_t maximumBytes) {
    struct stat status {};
    if (::fstat(file, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0 ||
        static_cast<std::uint64_t>(status.st_size) > maximumBytes)
        return std::nullopt;
    return static_cast<std::size_t>(status.st_size);
}

// Reads into `destination` until `length` bytes are in or the file ends; the count read, or
// none when a read fails.
std::optional<std::size_t> readUpTo(int file, std::uint8_t* destination, std::size_t length) {
    std::size_t filled = 0;
    while (filled < length) {
        auto count = ::read(file, destination + filled, length - filled);
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        filled += static_cast<std::size_t>(count);
    }
    return filled;
}

// Reads an open regular file whole, up to `maximumBytes`; none past it. The size the file
// claims only sizes the first allocation: a file that grows while it is read is read until the
// limit and then refused.
std::optional<std::vector<std::uint8_t>> readBounded(int file, std::size_t maximumBytes) try {
    auto claimed = regularFileSize(file, maximumBytes);
    if (!claimed)
        return std::nullopt;
    std::vector<std::uint8_t> contents;
    // One byte more than the file claims, so that the end is seen by the first short read.
    contents.resize(*claimed + 1);
    std::size_t filled = 0;
    for (;;) {
        auto count = readUpTo(file, contents.data() + filled, contents.size() - filled);
        if (!count)
            return std::nullopt;
        filled += *count;
        if (filled < contents.size())
            break;
        if (contents.size() > maximumBytes)
            return std::nullopt;
        contents.resize(std::min(contents.size() * 2, maximumBytes + 1));
    }
    contents.resize(filled);
    return contents;
} catch (const std::bad_alloc&) {
    // No memory for the file: as unreadable, as the platform answers.
    return std::nullopt;
}

} // namespace

void setListingOrder(ListingOrder order, std::uint64_t seed) {
    listingOrder() = {order, seed};
}

void setDeviceRoot(const std::string& hostPath) {
    rootStorage() = normalizedRoot(hostPath);
}

const std::string& deviceRoot() {
    return rootStorage();
}

std::string resolveDevicePath(std::string_view devicePath) {
    std::vector<std::string_view> components;
    std::size_t start = 0;
    while (start <= devicePath.size()) {
        auto end = devicePath.find('/', start);
        if (end == std::string_view::npos)
            end = devicePath.size();
        auto component = devicePath.substr(start, end - start);
        if (component == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        start = end + 1;
    }
    std::string resolved = deviceRoot();
    for (auto component : components) {
        if (resolved.back() != '/')
            resolved += '/';
        resolved += component;
    }
    // A trailing slash says the path must be a folder; keeping it lets the file system
    // refuse a regular file named that way, as it would on the device.
    if (!components.empty() && devicePath.ends_with('/'))
        resolved += '/';
    return resolved;
}

std::optional<std::vector<std::uint8_t>> dataWithContentsOfFile(std::string_view devicePath,
                                                                std::size_t maximumBytes) {
    FileDescriptor root = openDeviceRoot();
    if (!root)
        return std::nullopt;
    return dataWithContentsOfFile(root.get(), devicePath, maximumBytes);
}

std::optional<std::vector<std::uint8_t>>
dataWithContentsOfFile(int root, std::string_view devicePath, std::size_t maximumBytes) {
    if (holdsNul(devicePath))
        return std::nullopt;
    // Opening without blocking keeps a FIFO or device node from stalling the main thread
    // before the type check turns it away.
    FileDescriptor file = openInRoot(root, devicePath, O_RDONLY | O_NONBLOCK);
    if (!file)
        return std::nullopt;
    return readBounded(file.get(), maximumBytes);
}

std::optional<std::vector<std::uint8_t>> contentsOfHostFile(const std::string& hostPath,
                                                            std::size_t maximumBytes) {
    if (holdsNul(hostPath))
        return std::nullopt;
    FileDescriptor file(::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file)
        return std::nullopt;
    return readBounded(file.get(), maximumBytes);
}

std::optional<std::vector<std::uint8_t>> contentsOfOpenFile(int descriptor,
                                                            std::size_t maximumBytes) {
    return readBounded(descriptor, maximumBytes);
}

std::optional<std::vector<std::uint8_t>> dataWithContentsOfURL(std::string_view url,
                                                               std::size_t maximumBytes) {
    auto path = devicePathOfURL(url);
    if (!path)
        return std::nullopt;
    return dataWithContentsOfFile(*path, maximumBytes);
}

std::optional<std::vector<std::uint8_t>> dataWithContentsOfURL(int root, std::string_view url,
                                                               std::size_t maximumBytes) {
    auto path = devicePathOfURL(url);
    if (!path)
        return std::nullopt;
    return dataWithContentsOfFile(root, *path, maximumBytes);
}

std::optional<std::vector<std::uint8_t>>
leadingBytesOfURL(std::string_view url, std::size_t byteCount, std::size_t maximumFileBytes) try {
    auto path = devicePathOfURL(url);
    if (!path || holdsNul(*path))
        return std::nullopt;
    FileDescriptor root = openDeviceRoot();
    if (!root)
        return std::nullopt;
    FileDescriptor file = openInRoot(root.get(), *path, O_RDONLY | O_NONBLOCK);
    if (!file)
        return std::nullopt;
    if (!regularFileSize(file.get(), maximumFileBytes))
        return std::nullopt;
    std::vector<std::uint8_t> head(byteCount);
    auto filled = readUpTo(file.get(), head.data(), byteCount);
    if (!filled)
        return std::nullopt;
    head.resize(*filled);
    return head;
} catch (const std::bad_alloc&) {
    return std::nullopt;
}

namespace {

std::optional<std::string> devicePathOfURL(std::string_view url) {
    constexpr std::string_view scheme = "file://";
    if (!startsWithIgnoringCase(url, scheme))
        return std::nullopt;
    auto location = url.substr(scheme.size());
    // The host part of a file location is empty or "localhost"; any other host is a machine
    // this process cannot read from.
    if (startsWithIgnoringCase(location, "localhost/"))
        location.remove_prefix(std::string_view("localhost").size());
    if (!location.starts_with('/'))
        return std::nullopt;
    // A query or fragment is not part of the path.
    location = location.substr(0, location.find_first_of("?#"));
    return percentDecode(location);
}

} // namespace

std::optional<std::vector<std::string>> contentsOfDirectoryAtPath(std::string_view devicePath,
                                                                  std::size_t maximumEntries) {
    FileDescriptor root = openDeviceRoot();
    if (!root)
        return std::nullopt;
    return contentsOfDirectoryAtPath(root.get(), devicePath, maximumEntries);
}

std::optional<std::vector<std::string>>
contentsOfDirectoryAtPath(int root, std::string_view devicePath, std::size_t maximumEntries) try {
    if (holdsNul(devicePath))
        return std::nullopt;
    FileDescriptor folder = openInRoot(root, devicePath, O_RDONLY | O_DIRECTORY | O_NONBLOCK);
    if (!folder)
        return std::nullopt;
    std::unique_ptr<DIR, int (*)(DIR*)> stream(::fdopendir(folder.get()), ::closedir);
    if (!stream)
        return std::nullopt;
    folder.release();
    std::vector<std::string> names;
    bool failed = false;
    while (names.size() < maximumEntries) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (!entry) {
            failed = errno != 0;
            break;
        }
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    if (failed)
        return std::nullopt;
    // std::string compares its characters as unsigned bytes, which is byte order.
    std::sort(names.begin(), names.end());
    if (listingOrder().order == ListingOrder::Shuffled) {
        std::mt19937_64 generator(listingOrder().seed);
        std::shuffle(names.begin(), names.end(), generator);
    }
    return names;
} catch (const std::bad_alloc&) {
    return std::nullopt;
}

std::string percentEncodePath(std::string_view path) {
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (char character : path) {
        auto byte = static_cast<unsigned char>(character);
        if (isUnreservedOrSlash(byte)) {
            encoded += character;
        } else {
            encoded += '%';
            encoded += hexDigits[byte >> 4];
            encoded += hexDigits[byte & 0x0F];
        }
    }
    return encoded;
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '%') {
            decoded += text[index];
            continue;
        }
        if (text.size() - index < 3)
            return std::nullopt;
        int high = hexDigitValue(text[index + 1]);
        int low = hexDigitValue(text[index + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return decoded;
}

} // namespace platform
