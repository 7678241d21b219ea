// The device file system: paths under the root, bounded reads and listings, and a root that
// no path or link leaves.
#include "platform/DeviceFileSystem.h"
#include "platform/RootedPath.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace platform;
using velorin::testing::TemporaryDeviceRoot;

constexpr std::size_t anySize = 1024 * 1024;

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

std::optional<std::vector<std::uint8_t>> read(std::string_view devicePath) {
    return dataWithContentsOfFile(devicePath, anySize);
}

// A folder beside the root, outside it, that links may try to reach.
// A folder of its own for each test, so that tests run side by side (ctest -j) never share
// one: a fixed name had one test's clean-up remove the folder the other was using.
class OutsideFolder {
public:
    OutsideFolder() {
        auto pattern =
            (std::filesystem::path(::testing::TempDir()) / "velorin-outside-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a folder outside the root from " + pattern);
        m_path = pattern;
    }
    ~OutsideFolder() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

TEST(DeviceFileSystem, PathsResolveUnderTheRootAndNeverAbove) {
    TemporaryDeviceRoot root;
    const std::string base = root.path().string();
    EXPECT_EQ(resolveDevicePath("var/a.png"), base + "/var/a.png");
    EXPECT_EQ(resolveDevicePath("/var/a.png"), base + "/var/a.png");
    EXPECT_EQ(resolveDevicePath("//var/./x/../a.png"), base + "/var/a.png");
    EXPECT_EQ(resolveDevicePath("../../etc/passwd"), base + "/etc/passwd");
    EXPECT_EQ(resolveDevicePath("var/../../.."), base);
    EXPECT_EQ(resolveDevicePath("var/folder/"), base + "/var/folder/");

    setDeviceRoot("/");
    EXPECT_EQ(resolveDevicePath("var/a"), "/var/a");
    EXPECT_EQ(resolveDevicePath(".."), "/");
    setDeviceRoot(base + "//");
    EXPECT_EQ(deviceRoot(), base);
}

TEST(DeviceFileSystem, FileReadsGiveNoneForAnythingButARegularFile) {
    TemporaryDeviceRoot root;
    root.makeFolder("folder");
    ASSERT_EQ(::mkfifo(root.hostPath("pipe").c_str(), 0600), 0);
    root.writeFile("file.txt", "contents");
    EXPECT_EQ(read("missing"), std::nullopt);
    EXPECT_EQ(read("folder"), std::nullopt);
    EXPECT_EQ(read("pipe"), std::nullopt) << "and without blocking";
    EXPECT_EQ(read("file.txt/"), std::nullopt);
    EXPECT_EQ(read(std::string_view("file.txt\0.png", 13)), std::nullopt);
    EXPECT_EQ(read("/folder/../file.txt"), bytes("contents"));
    root.writeFile("empty", "");
    EXPECT_EQ(read("empty"), std::vector<std::uint8_t>());
}

TEST(DeviceFileSystem, AFilePastTheLimitIsRefusedWithoutReadingIt) {
    TemporaryDeviceRoot root;
    root.writeFile("eight", "12345678");
    EXPECT_EQ(dataWithContentsOfFile("eight", 7), std::nullopt);
    EXPECT_EQ(dataWithContentsOfFile("eight", 8), bytes("12345678"));
    // A sparse file claiming 64 GiB takes no memory to refuse.
    root.writeFile("sparse", "");
    std::filesystem::resize_file(root.hostPath("sparse"), 64ull << 30);
    EXPECT_EQ(dataWithContentsOfFile("sparse", anySize), std::nullopt);
    EXPECT_EQ(contentsOfHostFile(root.hostPath("sparse"), anySize), std::nullopt);
    EXPECT_EQ(contentsOfHostFile(root.hostPath("eight"), 8), bytes("12345678"));
}

TEST(DeviceFileSystem, LinksResolveInsideTheRootAsOnTheDevice) {
    TemporaryDeviceRoot root;
    OutsideFolder outside;
    root.writeFile("var/frames/1.png", "inside");
    {
        std::ofstream file(outside.path() / "1.png");
        file << "outside";
    }
    // An absolute target is read from the root; ".." stops at it.
    std::filesystem::create_directory_symlink(outside.path(), root.hostPath("escape"));
    std::filesystem::create_directory_symlink("/var/frames", root.hostPath("absolute"));
    std::filesystem::create_directory_symlink("../../../../var/frames", root.hostPath("var/up"));
    std::filesystem::create_directory_symlink("frames", root.hostPath("var/relative"));
    EXPECT_EQ(read("escape/1.png"), std::nullopt);
    EXPECT_EQ(read("absolute/1.png"), bytes("inside"));
    EXPECT_EQ(read("var/up/1.png"), bytes("inside"));
    EXPECT_EQ(read("var/relative/1.png"), bytes("inside"));
    EXPECT_EQ(contentsOfDirectoryAtPath("escape", 10), std::nullopt);
    EXPECT_EQ(contentsOfDirectoryAtPath("absolute", 10), std::vector<std::string>{"1.png"});
}

TEST(RootedPath, TheFallbackResolvesAsTheKernelDoes) {
    TemporaryDeviceRoot root;
    OutsideFolder outside;
    root.writeFile("var/frames/1.png", "inside");
    std::filesystem::create_directory_symlink(outside.path(), root.hostPath("escape"));
    std::filesystem::create_directory_symlink("/var/frames", root.hostPath("absolute"));
    std::filesystem::create_directory_symlink("../../../var/frames", root.hostPath("var/up"));
    std::filesystem::create_symlink("/var/new.plist", root.hostPath("dangling"));
    std::filesystem::create_symlink("loop", root.hostPath("loop"));
    // Absolute targets of links inside a subfolder are read from the root too, not from the
    // subfolder, where a decoy waits.
    root.writeFile("var/sub/var/frames/1.png", "decoy");
    std::filesystem::create_directory_symlink("/var/frames", root.hostPath("var/sub/frames"));
    std::filesystem::create_symlink("/var/frames/1.png", root.hostPath("var/sub/first.png"));
    FileDescriptor rootFolder = openRootFolder(root.path().string());
    ASSERT_TRUE(rootFolder);
    auto readThrough = [&](auto open, std::string_view path) -> std::string {
        FileDescriptor file = open(rootFolder.get(), path, O_RDONLY, 0);
        if (!file)
            return "(none)";
        char buffer[16] = {};
        auto count = ::read(file.get(), buffer, sizeof buffer);
        return std::string(buffer, count > 0 ? static_cast<std::size_t>(count) : 0);
    };
    for (auto open : {&openInRoot, &openInRootOneComponentAtATime}) {
        EXPECT_EQ(readThrough(open, "/absolute/1.png"), "inside");
        EXPECT_EQ(readThrough(open, "var/up/1.png"), "inside");
        EXPECT_EQ(readThrough(open, "../var/frames/../frames/1.png"), "inside");
        EXPECT_EQ(readThrough(open, "var/sub/frames/1.png"), "inside");
        EXPECT_EQ(readThrough(open, "var/sub/first.png"), "inside");
        EXPECT_EQ(readThrough(open, "escape"), "(none)");
        EXPECT_EQ(readThrough(open, "loop"), "(none)");
        EXPECT_EQ(errno, ELOOP);
    }
    // Creating through a dangling link makes the file inside the root, never outside.
    FileDescriptor made =
        openInRootOneComponentAtATime(rootFolder.get(), "dangling", O_WRONLY | O_CREAT, 0600);
    EXPECT_TRUE(made);
    EXPECT_TRUE(std::filesystem::exists(root.hostPath("var/new.plist")));
    EXPECT_TRUE(std::filesystem::is_empty(outside.path()));
}

TEST(DeviceFileSystem, FileLocationsArePercentDecoded) {
    TemporaryDeviceRoot root;
    root.writeFile("var/my frames/1 é.png", "frame");
    EXPECT_EQ(dataWithContentsOfURL("file:///var/my%20frames/1%20%C3%A9.png", anySize),
              bytes("frame"));
    EXPECT_EQ(dataWithContentsOfURL("FILE://localhost/var/my%20frames/1%20%c3%a9.png?x#y", anySize),
              bytes("frame"));
    for (auto url : {"http://example.com/var/my%20frames/1%20%C3%A9.png", "file:var/x",
                     "file://otherhost/var/x", "file:///var/my%2frames%2", "file:///var/a%00b",
                     "/var/my frames/1 é.png"})
        EXPECT_EQ(dataWithContentsOfURL(url, anySize), std::nullopt) << url;
}

TEST(DeviceFileSystem, FolderListingIsNamesInByteOrderUpToTheLimit) {
    TemporaryDeviceRoot root;
    for (auto name : {"b.png", "B.png", "10.png", "9.png", "\xC3\xA9.png", ".hidden"})
        root.writeFile(std::string("seq/") + name, "");
    root.makeFolder("seq/sub");
    EXPECT_EQ(contentsOfDirectoryAtPath("seq/", 100),
              (std::vector<std::string>{".hidden", "10.png", "9.png", "B.png", "b.png", "sub",
                                        "\xC3\xA9.png"}));
    EXPECT_EQ(contentsOfDirectoryAtPath("seq/", 3)->size(), 3u);
    EXPECT_EQ(contentsOfDirectoryAtPath("seq/sub", 100), std::vector<std::string>());
    EXPECT_EQ(contentsOfDirectoryAtPath("missing", 100), std::nullopt);
    EXPECT_EQ(contentsOfDirectoryAtPath("seq/b.png", 100), std::nullopt);
}

TEST(DeviceFileSystem, AShuffledListingIsTheSameNamesInAnOrderItsSeedFixes) {
    TemporaryDeviceRoot root;
    std::vector<std::string> sorted;
    for (int name = 10; name < 40; ++name) {
        root.writeFile("seq/" + std::to_string(name), "");
        sorted.push_back(std::to_string(name));
    }
    setListingOrder(ListingOrder::Shuffled, 7);
    auto first = contentsOfDirectoryAtPath("seq", 100);
    auto second = contentsOfDirectoryAtPath("seq", 100);
    setListingOrder(ListingOrder::ByteOrder);
    ASSERT_TRUE(first);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, sorted);
    std::sort(first->begin(), first->end());
    EXPECT_EQ(first, sorted);
    EXPECT_EQ(contentsOfDirectoryAtPath("seq", 100), sorted);
}

TEST(PercentEncoding, KeepsUnreservedAndSlashAndRoundTrips) {
    const std::string path = "var/a b/%é~-._?#+";
    EXPECT_EQ(percentEncodePath(path), "var/a%20b/%25%C3%A9~-._%3F%23%2B");
    EXPECT_EQ(percentDecode(percentEncodePath(path)), path);
    EXPECT_EQ(percentDecode("%41%2f+"), "A/+");
    for (auto malformed : {"%", "%4", "abc%4", "%G1", "%%41"})
        EXPECT_EQ(percentDecode(malformed), std::nullopt) << malformed;
}

} // namespace
