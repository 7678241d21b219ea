// A source is opened once: what is not a regular file is refused at once, however it got to the
// path, and every reader reads the file that was opened and checked, not what the path names
// later.
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/import/sources/SourceTestSupport.h"
#include "tools/import/sources/SourceFile.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using testing::Picture;

constexpr testing::Color red{255, 0, 0, 255};
constexpr testing::Color blue{0, 0, 255, 255};

std::string fault(const common::Result<std::shared_ptr<const SourceFile>>& opened) {
    return opened ? std::string() : opened.fault().message;
}

TEST(SourceFile, PipesDevicesAndFoldersAreRefusedAtOnceWithoutWaiting) {
    testing::ScratchFolder scratch;
    fs::path pipe = scratch / "clip.mp4";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Opened by the source's own opening, as when a pipe replaces a file already looked at: no
    // writer ever comes, so an open that waited would never return.
    EXPECT_NE(fault(SourceFile::open(pipe.string())).find("is a pipe (FIFO), not a regular file"),
              std::string::npos);
    EXPECT_NE(testing::openingFault(pipe.string()).find("is a pipe (FIFO)"), std::string::npos);
    EXPECT_NE(fault(SourceFile::open("/dev/zero")).find("is a device"), std::string::npos);
    EXPECT_NE(testing::openingFault("/dev/zero").find("is a device"), std::string::npos);
    fs::create_directory(scratch / "was-a-file.gif");
    EXPECT_NE(fault(SourceFile::open((scratch / "was-a-file.gif").string())).find("is a folder now"),
              std::string::npos);
    EXPECT_NE(fault(SourceFile::open((scratch / "missing.gif").string())).find("cannot be read"),
              std::string::npos);
    // The path's kinds still open by their rows: a folder is a folder of frames.
    fs::create_directory(scratch / "frames");
    testing::writePng(scratch / "frames" / "1.png", Picture::filled(4, 4, red));
    EXPECT_EQ(testing::openingFault((scratch / "frames").string()), "");
}

// Every kind read from a file, opened, and then its path given to something else before the
// frames are decoded: a pipe with no writer in its place. The frames are those of the file
// opened.
TEST(SourceFile, EveryReaderReadsTheFileThatWasOpenedWhateverThePathNamesLater) {
    testing::ScratchFolder scratch;
    std::vector<testing::TimedPicture> frames{{Picture::filled(16, 16, red), 200},
                                              {Picture::filled(16, 16, blue), 200}};
    using Writer = std::function<void(const fs::path&)>;
    std::vector<std::pair<std::string, Writer>> kinds{
        {"clip.gif", [&](const fs::path& path) { testing::writeGif(path, frames); }},
        {"clip.png", [&](const fs::path& path) { testing::writeAnimatedPng(path, frames); }},
        {"clip.webp", [&](const fs::path& path) { testing::writeAnimatedWebp(path, frames); }},
        {"clip.mp4", [&](const fs::path& path) { testing::writeVideo(path, frames); }},
    };
    for (const auto& [name, write] : kinds) {
        SCOPED_TRACE(name);
        fs::path path = scratch / name;
        write(path);
        auto source = openMediaSource(path.string(), {}, {});
        ASSERT_TRUE(source) << source.fault().message;
        fs::remove(path);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        auto decoded = testing::decodeOpened(std::move(source));
        ASSERT_EQ(decoded.frames.size(), 2u);
        testing::expectColor(testing::pixelOf(decoded.frames[0], 8, 8), red, 12);
        testing::expectColor(testing::pixelOf(decoded.frames[1], 8, 8), blue, 12);
    }
}

} // namespace
} // namespace velorin::tools
