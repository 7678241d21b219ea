// Device paths resolved under the device root, and the foundation library's file reads.
//
// Resolution is lexical: "." and empty components are dropped and ".." removes the component
// before it, stopping at the root, so no device path names a place above the root. Symbolic
// links inside the root are followed by the host's file system as they stand; the root is a
// folder the project lays out itself, so it is trusted not to hold links that lead out.
// A device path holding a NUL byte cannot be handed to the host's file system without being
// cut short and naming another file, so every read answers none for it.
#include "platform/DeviceFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string& rootStorage() {
    static auto* root = new std::string("/");
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

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : m_descriptor(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace

void setDeviceRoot(const std::string& hostPath) {
    std::string root = hostPath.empty() ? std::string("/") : hostPath;
    std::error_code error;
    auto absolute = std::filesystem::absolute(root, error);
    if (!error)
        root = absolute.lexically_normal().string();
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    rootStorage() = root;
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

std::optional<std::vector<std::uint8_t>> dataWithContentsOfFile(std::string_view devicePath) {
    if (holdsNul(devicePath))
        return std::nullopt;
    auto path = resolveDevicePath(devicePath);
    // Opening without blocking keeps a FIFO or device node from stalling the main thread
    // before the type check below turns it away.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    std::vector<std::uint8_t> contents;
    contents.reserve(static_cast<std::size_t>(status.st_size));
    std::uint8_t buffer[65536];
    for (;;) {
        auto count = ::read(file.get(), buffer, sizeof buffer);
        if (count == 0)
            break;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        contents.insert(contents.end(), buffer, buffer + count);
    }
    return contents;
}

std::optional<std::vector<std::uint8_t>> dataWithContentsOfURL(std::string_view url) {
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
    auto path = percentDecode(location);
    if (!path)
        return std::nullopt;
    return dataWithContentsOfFile(*path);
}

std::optional<std::vector<std::string>> contentsOfDirectoryAtPath(std::string_view devicePath) {
    if (holdsNul(devicePath))
        return std::nullopt;
    std::error_code error;
    std::filesystem::directory_iterator entries(resolveDevicePath(devicePath), error);
    if (error)
        return std::nullopt;
    std::vector<std::string> names;
    for (auto end = std::filesystem::directory_iterator(); entries != end;) {
        names.push_back(entries->path().filename().string());
        entries.increment(error);
        if (error)
            return std::nullopt;
    }
    // std::string compares its characters as unsigned bytes, which is byte order.
    std::sort(names.begin(), names.end());
    return names;
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
