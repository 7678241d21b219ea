// Writing an import's frames on worker threads: every frame under its own name with its own
// picture whatever order the workers finish in, the frames a source did not reach as copies of
// its last picture, and a frame that cannot be written reported by name, the earliest first.
#include "platform/display/Image.h"
#include "tests/support/ChildProcess.h"
#include "tests/tools/import/ImportTestSupport.h"
#include "tools/common/StagedSequence.h"
#include "tools/import/FrameFileWriting.h"
#include "tools/import/SequenceFrameNames.h"

#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;

constexpr int frameCount = 40;

// A 6x4 picture whose first pixel's red tells which picture it is; the rest is half clear, so
// that transparency must be kept.
std::vector<std::uint8_t> numberedPicture(int number) {
    auto picture = testing::Picture::filled(6, 4, {0, 0, 0, 128});
    picture.paint(0, 0, 1, 1, {static_cast<std::uint8_t>(number * 5), 10, 20, 255});
    return picture.pixels;
}

int numberOf(const fs::path& file) {
    std::string bytes = testing::readWholeFile(file);
    auto image =
        platform::decodePng(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    if (!image)
        return -1;
    EXPECT_EQ(image->pixelAt(5, 3)[3], 128);
    return image->pixelAt(0, 0)[0] / 5;
}

TEST(FrameFileWriting, EveryFrameHasItsOwnPictureAndTheUnreachedOnesRepeatTheLast) {
    testing::ScratchFolder scratch;
    auto staged = StagedSequence::open(scratch.path().string(), "clip", ExistingSequence::Refuse);
    ASSERT_TRUE(staged);
    std::vector<int> expected;
    {
        FrameFileWriter writer(*staged.value(), frameCount);
        // More pictures than wait at a time; from picture 10 on, every even one serves two
        // frames, as a source slower than the sequence does.
        for (int picture = 0; expected.size() < 30; ++picture) {
            std::vector<int> frames{static_cast<int>(expected.size())};
            expected.push_back(picture);
            if (picture >= 10 && picture % 2 == 0) {
                frames.push_back(static_cast<int>(expected.size()));
                expected.push_back(picture);
            }
            ASSERT_TRUE(writer.add(numberedPicture(picture), 6, 4, frames));
        }
        std::vector<int> remaining;
        for (int index = static_cast<int>(expected.size()); index < frameCount; ++index) {
            remaining.push_back(index);
            expected.push_back(expected.back());
        }
        ASSERT_TRUE(writer.finish(remaining));
    }
    for (int frame = 0; frame < frameCount; ++frame)
        EXPECT_EQ(numberOf(staged.value()->stagedPath(sequenceFrameName(frame, frameCount))),
                  expected[static_cast<std::size_t>(frame)])
            << frame;
}

TEST(FrameFileWriting, AFrameThatCannotBeWrittenIsNamedAndStopsTheRest) {
    testing::ScratchFolder scratch;
    auto staged = StagedSequence::open(scratch.path().string(), "clip", ExistingSequence::Refuse);
    ASSERT_TRUE(staged);
    // A folder where the sixth frame's file should go: it cannot be written.
    fs::create_directory(staged.value()->stagedPath(sequenceFrameName(5, frameCount)));
    FrameFileWriter writer(*staged.value(), frameCount);
    bool refused = false;
    for (int frame = 0; frame < frameCount && !refused; ++frame)
        refused = !writer.add(numberedPicture(frame), 6, 4, {frame});
    auto finished = writer.finish({});
    ASSERT_FALSE(finished);
    EXPECT_NE(finished.fault().text().find("frame0006.png: cannot be written"), std::string::npos)
        << finished.fault().text();

    // With no picture at all, frames cannot repeat one.
    testing::ScratchFolder other;
    auto empty = StagedSequence::open(other.path().string(), "clip", ExistingSequence::Refuse);
    ASSERT_TRUE(empty);
    FrameFileWriter nothing(*empty.value(), 3);
    EXPECT_FALSE(nothing.finish({0, 1, 2}));
}

} // namespace
} // namespace velorin::tools
