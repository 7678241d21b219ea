#include "platform/DeviceFileSystem.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace platform;
using velorin::testing::TemporaryDeviceRoot;

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

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
    EXPECT_EQ(dataWithContentsOfFile("missing"), std::nullopt);
    EXPECT_EQ(dataWithContentsOfFile("folder"), std::nullopt);
    EXPECT_EQ(dataWithContentsOfFile("pipe"), std::nullopt) << "and without blocking";
    EXPECT_EQ(dataWithContentsOfFile("file.txt/"), std::nullopt);
    EXPECT_EQ(dataWithContentsOfFile(std::string_view("file.txt\0.png", 13)), std::nullopt);
    EXPECT_EQ(dataWithContentsOfFile("/folder/../file.txt"), bytes("contents"));
    root.writeFile("empty", "");
    EXPECT_EQ(dataWithContentsOfFile("empty"), std::vector<std::uint8_t>());
}

TEST(DeviceFileSystem, FileLocationsArePercentDecoded) {
    TemporaryDeviceRoot root;
    root.writeFile("var/my frames/1 é.png", "frame");
    EXPECT_EQ(dataWithContentsOfURL("file:///var/my%20frames/1%20%C3%A9.png"), bytes("frame"));
    EXPECT_EQ(dataWithContentsOfURL("FILE://localhost/var/my%20frames/1%20%c3%a9.png?x#y"),
              bytes("frame"));
    for (auto url : {"http://example.com/var/my%20frames/1%20%C3%A9.png", "file:var/x",
                     "file://otherhost/var/x", "file:///var/my%2frames%2", "file:///var/a%00b",
                     "/var/my frames/1 é.png"})
        EXPECT_EQ(dataWithContentsOfURL(url), std::nullopt) << url;
}

TEST(DeviceFileSystem, FolderListingIsNamesInByteOrder) {
    TemporaryDeviceRoot root;
    for (auto name : {"b.png", "B.png", "10.png", "9.png", "\xC3\xA9.png", ".hidden"})
        root.writeFile(std::string("seq/") + name, "");
    root.makeFolder("seq/sub");
    EXPECT_EQ(contentsOfDirectoryAtPath("seq/"),
              (std::vector<std::string>{".hidden", "10.png", "9.png", "B.png", "b.png", "sub",
                                        "\xC3\xA9.png"}));
    EXPECT_EQ(contentsOfDirectoryAtPath("seq/sub"), std::vector<std::string>());
    EXPECT_EQ(contentsOfDirectoryAtPath("missing"), std::nullopt);
    EXPECT_EQ(contentsOfDirectoryAtPath("seq/b.png"), std::nullopt);
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
