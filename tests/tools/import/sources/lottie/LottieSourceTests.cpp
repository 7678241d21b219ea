// Lottie animations as an import source: what is refused and why (with the line of a syntax
// fault), how the frames are timed from the in point to the out point at the animation's own
// rate, and that each frame is drawn straight at the size it is written at, transparency kept.
#include "tests/tools/import/ImportTestSupport.h"
#include "tests/tools/import/sources/lottie/LottieTestFile.h"
#include "tools/import/sources/lottie/LottieDocument.h"
#include "tools/import/sources/lottie/LottieSource.h"

#include <fstream>
#include <gtest/gtest.h>

namespace velorin::tools {
namespace {

namespace fs = std::filesystem;
using testing::Color;
using testing::pixelOf;
using testing::SquareAnimation;

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void expectColor(Color actual, Color expected) {
    EXPECT_EQ(actual.red, expected.red);
    EXPECT_EQ(actual.green, expected.green);
    EXPECT_EQ(actual.blue, expected.blue);
    EXPECT_EQ(actual.alpha, expected.alpha);
}

TEST(LottieSource, RefusesWhatItCannotReadSayingWhereAndWhy) {
    testing::ScratchFolder scratch;
    // A syntax fault gives its line and the reader's reason.
    writeText(scratch / "broken.json", "{\n  \"v\": \"5.7.0\",\n  \"fr\": 10 10,\n  \"layers\": []\n}");
    auto broken = openLottieSource(*SourceFile::open((scratch / "broken.json").string()).value());
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.fault().line, 3);
    EXPECT_NE(broken.fault().message.find("is not valid JSON at column 13: syntax error"),
              std::string::npos)
        << broken.fault().message;

    auto refusal = [&](const std::string& name, const nlohmann::ordered_json& json) {
        writeText(scratch / name, json.dump());
        return testing::openingFault((scratch / name).string());
    };
    nlohmann::ordered_json noLayers = SquareAnimation{}.json();
    noLayers.erase("layers");
    EXPECT_NE(refusal("plain.json", noLayers).find("is JSON but not a Lottie animation"),
              std::string::npos);
    nlohmann::ordered_json noFrames = SquareAnimation{}.json();
    noFrames["op"] = noFrames["ip"];
    EXPECT_NE(refusal("empty.json", noFrames).find("has no frame between its in point"),
              std::string::npos);
    nlohmann::ordered_json noRate = SquareAnimation{}.json();
    noRate["fr"] = 0;
    EXPECT_NE(refusal("still.json", noRate).find("frame rate \"fr\" of 0"), std::string::npos);
    nlohmann::ordered_json huge = SquareAnimation{}.json();
    huge["w"] = 100000;
    EXPECT_NE(refusal("huge.json", huge).find("larger than import reads"), std::string::npos);
    huge["h"] = 5.5e23; // Far past any integer a side could be held in.
    EXPECT_NE(refusal("huge.json", huge).find("is 100000x5.5e+23 pixels, larger than import reads"),
              std::string::npos);

    // An image in a file of its own would be read from wherever the text points; an embedded
    // one is part of the file.
    nlohmann::ordered_json linked = SquareAnimation{}.json();
    linked["assets"] = {{{"id", "image_0"}, {"w", 1}, {"h", 1}, {"u", "/etc/"}, {"p", "passwd"}}};
    EXPECT_NE(refusal("linked.json", linked).find("takes the image \"/etc/passwd\""),
              std::string::npos);
    nlohmann::ordered_json embedded = SquareAnimation{}.json();
    embedded["assets"] = {{{"id", "image_0"},
                           {"w", 1},
                           {"h", 1},
                           {"u", ""},
                           {"p", "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFc"
                                 "SJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg=="},
                           {"e", 1}}};
    EXPECT_EQ(refusal("embedded.json", embedded), "");

    // Nesting deep enough to exhaust a recursive reader's stack stops at the check.
    writeText(scratch / "deep.json", "{\"v\":\"5\",\"layers\":" + std::string(100000, '[') +
                                         std::string(100000, ']') + "}");
    EXPECT_NE(testing::openingFault((scratch / "deep.json").string()).find("levels deep"),
              std::string::npos);
    std::string withNul = SquareAnimation{}.json().dump();
    withNul.insert(withNul.size() / 2, 1, '\0');
    writeText(scratch / "nul.json", withNul);
    EXPECT_NE(testing::openingFault((scratch / "nul.json").string()).find("NUL byte"),
              std::string::npos);
    writeText(scratch / "large.json", "{");
    fs::resize_file(scratch / "large.json", maximumLottieFileBytes + 1);
    EXPECT_NE(testing::openingFault((scratch / "large.json").string()).find("64 MiB"),
              std::string::npos);
    writeText(scratch / "bundle.lottie", "PK\x03\x04");
    EXPECT_NE(testing::openingFault((scratch / "bundle.lottie").string())
                  .find("is a .lottie archive, which import does not read"),
              std::string::npos);
}

TEST(LottieSource, TimesItsFramesAtItsOwnRateFromTheInPointToTheOutPoint) {
    testing::ScratchFolder scratch;
    SquareAnimation animation;
    animation.write(scratch / "square.json");
    auto decoded = testing::decodeWhole(scratch / "square.json");
    const SourceDescription& description = decoded.description;
    EXPECT_EQ(description.kind, SourceKind::VectorAnimation);
    EXPECT_EQ(description.width, 100u);
    EXPECT_EQ(description.height, 50u);
    ASSERT_EQ(description.frames.size(), 30u);
    EXPECT_DOUBLE_EQ(description.frames[12].start, 1.2);
    EXPECT_DOUBLE_EQ(description.frames[12].duration, 0.1);
    EXPECT_DOUBLE_EQ(description.lengthSeconds, 3.0);
    EXPECT_FALSE(description.plays);

    ASSERT_EQ(decoded.frames.size(), 30u);
    for (int frame = 0; frame < 30; ++frame) {
        SCOPED_TRACE(frame);
        expectColor(pixelOf(decoded.frames[frame], 50, 25),
                    animation.colorAt(animation.inPoint + frame));
        EXPECT_EQ(pixelOf(decoded.frames[frame], 2, 2).alpha, 0);
    }
}

TEST(LottieSource, DrawsEachFrameStraightAtTheSizeItIsWrittenAt) {
    testing::ScratchFolder scratch;
    SquareAnimation animation;
    animation.write(scratch / "square.json");
    // Three times the width and 1.8 times the height: stretched as the device stretches.
    auto decoded = testing::decodeWhole(scratch / "square.json", {}, PixelSize{300, 90});
    ASSERT_EQ(decoded.frames.size(), 30u);
    const CanvasFrame& frame = decoded.frames[25];
    EXPECT_EQ(frame.width, 300u);
    EXPECT_EQ(frame.height, 90u);
    // The square spans x 120 to 180 and y 27 to 63; drawn at this size its edges are sharp,
    // where pixels resized threefold would blur across them.
    expectColor(pixelOf(frame, 120, 45), {0, 0, 255});
    expectColor(pixelOf(frame, 179, 27), {0, 0, 255});
    EXPECT_EQ(pixelOf(frame, 119, 45).alpha, 0);
    EXPECT_EQ(pixelOf(frame, 180, 45).alpha, 0);
    EXPECT_EQ(pixelOf(frame, 150, 26).alpha, 0);
    EXPECT_EQ(pixelOf(frame, 150, 63).alpha, 0);
}

} // namespace
} // namespace velorin::tools
