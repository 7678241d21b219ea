// The PNG decoder's fast path held against libpng. For every file, the fast path gives exactly
// libpng's pixels (with every unfilter kernel this processor runs) or hands the file over, and
// the decoder as a whole gives what libpng alone gives: the same image, or none.

#include "DisplayTestSupport.h"
#include "PngFrameWriting.h"

#include "platform/display/PngDecoding.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

using namespace display_testing;

enum class Outcome { FastPath, HandedOverAndDecoded, Refused };

std::string describe(Outcome outcome) {
    switch (outcome) {
    case Outcome::FastPath:
        return "taken by the fast path";
    case Outcome::HandedOverAndDecoded:
        return "handed over and decoded by libpng";
    case Outcome::Refused:
        return "refused";
    }
    return "";
}

template <typename Pixels>
std::size_t firstDifference(const Pixels& left, const Bytes& right) {
    if (left.size() != right.size())
        return 0;
    for (std::size_t index = 0; index < left.size(); ++index)
        if (left[index] != right[index])
            return index;
    return std::string::npos;
}

// Decodes `png` every way and fails the test wherever the ways disagree.
Outcome decodeEveryWay(const Bytes& png, const std::string& what) {
    auto reference = platform::decodePngWithLibpng(png);
    Bytes referencePixels = reference ? Bytes(reference->pixels.begin(), reference->pixels.end())
                                      : Bytes();
    std::optional<bool> taken;
    for (auto kernel : platform::png::availableUnfilterKernels()) {
        auto fast = platform::decodePngWithFastPath(png, kernel);
        if (taken) {
            EXPECT_EQ(*taken, fast.has_value()) << what << ": the kernels disagree";
        }
        taken = fast.has_value();
        if (!fast)
            continue;
        EXPECT_TRUE(reference) << what << ": the fast path took a file libpng refuses";
        if (!reference)
            continue;
        EXPECT_EQ(fast->size.width, reference->size.width) << what;
        EXPECT_EQ(fast->size.height, reference->size.height) << what;
        EXPECT_EQ(firstDifference(fast->pixels, referencePixels), std::string::npos)
            << what << ", kernel " << static_cast<int>(kernel);
    }
    auto whole = platform::decodePng(png);
    EXPECT_EQ(whole != nullptr, reference.has_value()) << what << ": the decoder and libpng differ";
    if (whole && reference) {
        EXPECT_EQ(firstDifference(whole->pixels(), referencePixels), std::string::npos) << what;
    }
    if (taken.value_or(false))
        return Outcome::FastPath;
    return reference ? Outcome::HandedOverAndDecoded : Outcome::Refused;
}

void expectOutcome(const Bytes& png, Outcome expected, const std::string& what) {
    Outcome outcome = decodeEveryWay(png, what);
    EXPECT_EQ(describe(outcome), describe(expected)) << what;
}

Bytes frameOf(std::uint32_t width, std::uint32_t height, const FrameLayout& layout,
              std::uint32_t seed = 1) {
    return writeFrame(drawTestFrame(width, height, seed), width, height, layout);
}

// Every byte `from` in `png` followed (or, with `before`, preceded) by `added`, as a text-mode
// transfer does to a file.
Bytes withByteAdded(const Bytes& png, std::uint8_t next, std::uint8_t added, bool before) {
    Bytes changed;
    for (std::uint8_t byte : png) {
        if (before && byte == next)
            changed.push_back(added);
        changed.push_back(byte);
        if (!before && byte == next)
            changed.push_back(added);
    }
    return changed;
}

Bytes withHeaderByte(Bytes png, std::size_t index, std::uint8_t value) {
    std::size_t header = chunkOffset(png, "IHDR");
    png[header + 8 + index] = value;
    refreshCrc(png, header);
    return png;
}

Bytes withoutChunk(Bytes png, const char* type) {
    std::size_t offset;
    while ((offset = chunkOffset(png, type)) != 0) {
        std::size_t length = (std::size_t{png[offset]} << 24) | (std::size_t{png[offset + 1]} << 16) |
                             (std::size_t{png[offset + 2]} << 8) | png[offset + 3];
        png.erase(png.begin() + static_cast<long>(offset),
                  png.begin() + static_cast<long>(offset + 12 + length));
    }
    return png;
}

Bytes withChunkBeforeImageData(Bytes png, const Bytes& chunk) {
    std::size_t offset = chunkOffset(png, "IDAT");
    png.insert(png.begin() + static_cast<long>(offset), chunk.begin(), chunk.end());
    return png;
}

Bytes textChunk() {
    return makeChunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'f', 'r', 'a', 'm', 'e'});
}

// The faults of PngSuite's corrupt files, made here on frames of both colour types.
TEST(PngFastPath, CorruptFilesInTheStyleOfPngSuiteAreRefusedEveryWay) {
    for (int channels : {3, 4}) {
        FrameLayout layout;
        layout.channels = channels;
        layout.filters = {0, 1, 2, 3, 4};
        layout.chunkSizes = {100};
        Bytes good = frameOf(20, 12, layout);
        ASSERT_EQ(decodeEveryWay(good, "the good file"), Outcome::FastPath);
        std::string kind = channels == 4 ? "RGBA: " : "RGB: ";

        auto changed = [&good](std::size_t index, std::uint8_t value) {
            Bytes png = good;
            png[index] = value;
            return png;
        };
        expectOutcome(changed(0, 0x09), Outcome::Refused, kind + "signature's high bit cleared");
        expectOutcome(changed(1, 'Q'), Outcome::Refused, kind + "signature with a Q");
        expectOutcome(changed(3, 'g'), Outcome::Refused, kind + "signature in lower case");
        expectOutcome(changed(6, ' '), Outcome::Refused, kind + "signature with a space");
        expectOutcome(withByteAdded(good, '\n', '\r', true), Outcome::Refused,
                      kind + "carriage returns added");
        expectOutcome(withByteAdded(good, '\r', '\n', false), Outcome::Refused,
                      kind + "line feeds added");
        Bytes headerChecksum = good;
        headerChecksum[chunkOffset(good, "IHDR") + 8 + 13] ^= 0x40;
        expectOutcome(headerChecksum, Outcome::Refused, kind + "header checksum");
        expectOutcome(withHeaderByte(good, 9, 1), Outcome::Refused, kind + "colour type 1");
        expectOutcome(withHeaderByte(good, 9, 9), Outcome::Refused, kind + "colour type 9");
        expectOutcome(withHeaderByte(good, 8, 0), Outcome::Refused, kind + "bit depth 0");
        expectOutcome(withHeaderByte(good, 8, 3), Outcome::Refused, kind + "bit depth 3");
        expectOutcome(withHeaderByte(good, 8, 99), Outcome::Refused, kind + "bit depth 99");
        expectOutcome(withoutChunk(good, "IDAT"), Outcome::Refused, kind + "no image data");
        Bytes dataChecksum = good;
        dataChecksum[chunkOffset(good, "IDAT") + 8 + 50] ^= 0x01;
        expectOutcome(dataChecksum, Outcome::Refused, kind + "image data checksum");
    }
}

TEST(PngFastPath, DamagedStructureIsRefusedEveryWay) {
    FrameLayout layout;
    layout.filters = {1, 4, 2};
    layout.chunkSizes = {64};
    layout.before = textChunk();
    Bytes good = frameOf(16, 16, layout);
    ASSERT_EQ(decodeEveryWay(good, "the good file"), Outcome::FastPath);

    for (std::size_t length = 1; length < good.size(); length += 37)
        expectOutcome(Bytes(good.begin(), good.begin() + static_cast<long>(length)),
                      Outcome::Refused, "cut to " + std::to_string(length));
    expectOutcome(withoutChunk(good, "IEND"), Outcome::Refused, "no end chunk");

    Bytes textChecksum = good;
    textChecksum[chunkOffset(good, "tEXt") + 9] ^= 0x20;
    expectOutcome(textChecksum, Outcome::Refused, "an ancillary chunk's checksum");

    expectOutcome(withChunkBeforeImageData(good, makeChunk("tE1t", {1, 2})), Outcome::Refused,
                  "a digit in a chunk type");
    expectOutcome(withChunkBeforeImageData(good, makeChunk("CRIT", {1, 2})), Outcome::Refused,
                  "an unknown critical chunk");
    expectOutcome(withChunkBeforeImageData(good, makeChunk("IHDR", Bytes(13, 0))),
                  Outcome::Refused, "a second header");

    // A text chunk of 9 MiB, past the chunk limit: libpng skips it with a warning.
    Bytes huge = withChunkBeforeImageData(good, makeChunk("zTXt", Bytes(9u << 20, 'x')));
    EXPECT_NE(decodeEveryWay(huge, "a chunk past the limit"), Outcome::FastPath);
}

TEST(PngFastPath, DamagedImageDataIsRefusedOrLeftToLibpng) {
    const std::uint32_t width = 16;
    const std::uint32_t height = 12;
    FrameLayout layout;
    layout.filters = {4, 3};
    Bytes pixels = drawTestFrame(width, height, 3);
    Bytes rows = filteredRows(pixels, width, height, layout);

    Bytes badFilter = rows;
    badFilter[5 * (width * 4 + 1)] = 5;
    expectOutcome(pngOfFilteredRows(badFilter, width, height, layout), Outcome::Refused,
                  "filter type 5");
    Bytes short_(rows.begin(), rows.end() - static_cast<long>(width * 4 + 1));
    expectOutcome(pngOfFilteredRows(short_, width, height, layout), Outcome::Refused,
                  "a row short");

    // Whether these are images is libpng's call (it may find them after the last row, where
    // some faults are only warnings): the fast path leaves them to it.
    Bytes extra = rows;
    extra.insert(extra.end(), rows.begin(), rows.begin() + 40);
    EXPECT_NE(decodeEveryWay(pngOfFilteredRows(extra, width, height, layout), "data left over"),
              Outcome::FastPath);
    Bytes adler = pngOfFilteredRows(rows, width, height, layout);
    std::size_t data = chunkOffset(adler, "IDAT");
    std::size_t end = chunkOffset(adler, "IEND");
    adler[end - 5] ^= 0x10;
    refreshCrc(adler, data);
    EXPECT_NE(decodeEveryWay(adler, "a wrong Adler-32"), Outcome::FastPath);
    Bytes trailing = pngOfFilteredRows(rows, width, height, layout);
    Bytes garbage = makeChunk("IDAT", {0, 0, 0});
    trailing.insert(trailing.begin() + static_cast<long>(chunkOffset(trailing, "IEND")),
                    garbage.begin(), garbage.end());
    EXPECT_NE(decodeEveryWay(trailing, "bytes after the stream"), Outcome::FastPath);

    FrameLayout split = layout;
    split.chunkSizes = {30};
    split.between = textChunk();
    EXPECT_NE(decodeEveryWay(pngOfFilteredRows(rows, width, height, split), "split image data"),
              Outcome::FastPath);
}

TEST(PngFastPath, OtherKindsOfImageAreHandedOverAndDecodedAsLibpngDoes) {
    auto image = platform::CGImage::create(9, 7, drawTestFrame(9, 7, 5));
    ASSERT_TRUE(image);
    using platform::PngColorType;
    for (auto encoding : {platform::PngEncoding{PngColorType::RGBA, 16},
                          platform::PngEncoding{PngColorType::RGB, 8, platform::PngInterlace::Adam7},
                          platform::PngEncoding{PngColorType::Gray, 8},
                          platform::PngEncoding{PngColorType::GrayAlpha, 8},
                          platform::PngEncoding{PngColorType::Palette, 8}}) {
        auto png = platform::encodePng(*image, encoding);
        ASSERT_FALSE(png.empty());
        expectOutcome(png, Outcome::HandedOverAndDecoded,
                      "colour type " + std::to_string(static_cast<int>(encoding.colorType)));
    }

    FrameLayout rgb;
    rgb.channels = 3;
    Bytes plain = frameOf(12, 10, rgb);
    expectOutcome(withChunkBeforeImageData(plain, makeChunk("tRNS", {0, 1, 0, 2, 0, 3})),
                  Outcome::HandedOverAndDecoded, "a colour key");
    expectOutcome(withChunkBeforeImageData(plain, makeChunk("PLTE", {1, 2, 3, 4, 5, 6})),
                  Outcome::HandedOverAndDecoded, "a suggested palette");
    Bytes endWithData(plain.begin(), plain.end() - 12);
    Bytes end = makeChunk("IEND", {0});
    endWithData.insert(endWithData.end(), end.begin(), end.end());
    expectOutcome(endWithData, Outcome::HandedOverAndDecoded, "an end chunk with data");

    // A small declared window: zlib would refuse distances past it, so the stream is libpng's
    // to judge, unless the window holds the whole image.
    FrameLayout smallWindow;
    smallWindow.windowBits = 9;
    expectOutcome(frameOf(30, 30, smallWindow), Outcome::HandedOverAndDecoded,
                  "a 512-byte window under 3.6 kB");
    expectOutcome(frameOf(5, 5, smallWindow), Outcome::FastPath, "a 512-byte window over 105 B");
}

TEST(PngFastPath, EveryFilterGivesLibpngsPixels) {
    const std::vector<std::vector<std::uint8_t>> filterings{
        {0}, {1}, {2}, {3}, {4}, {0, 1, 2, 3, 4, 4, 3, 2, 1, 0, 2, 4, 1, 3}};
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes{
        {1, 1}, {1, 9}, {9, 1}, {5, 4}, {17, 6}, {33, 9}, {257, 5}};
    for (int channels : {3, 4}) {
        for (const auto& filters : filterings) {
            for (auto [width, height] : sizes) {
                FrameLayout layout;
                layout.channels = channels;
                layout.filters = filters;
                std::string what = std::to_string(channels) + " channels, " +
                                   std::to_string(width) + "x" + std::to_string(height) +
                                   ", first filter " + std::to_string(filters.front()) +
                                   " of " + std::to_string(filters.size());
                expectOutcome(frameOf(width, height, layout, width + height), Outcome::FastPath,
                              what);
            }
        }
    }
}

TEST(PngFastPath, EveryCompressionLevelAndSplitGivesLibpngsPixels) {
    for (int channels : {3, 4}) {
        for (int level = 0; level <= 9; ++level) {
            FrameLayout layout;
            layout.channels = channels;
            layout.level = level;
            layout.filters = {0, 1, 2, 3, 4};
            expectOutcome(frameOf(64, 20, layout), Outcome::FastPath,
                          "level " + std::to_string(level));
        }
        const std::vector<std::vector<std::size_t>> splits{
            {1}, {0, 1}, {7, 0, 13}, {2, 0}, {8192}, {3, 5, 0, 0, 11}};
        for (const auto& split : splits) {
            FrameLayout layout;
            layout.channels = channels;
            layout.filters = {4, 1, 2};
            layout.chunkSizes = split;
            expectOutcome(frameOf(40, 30, layout), Outcome::FastPath,
                          "split starting " + std::to_string(split.front()) + " of " +
                              std::to_string(split.size()));
        }
    }
}

TEST(PngFastPath, AncillaryChunksAndTrailingBytesAreSkippedAsLibpngSkipsThem) {
    FrameLayout layout;
    layout.chunkSizes = {50};
    Bytes gamma{0, 0, 0xB1, 0x8F};
    layout.before = makeChunk("gAMA", gamma);
    auto srgb = makeChunk("sRGB", {0});
    layout.before.insert(layout.before.end(), srgb.begin(), srgb.end());
    auto privateChunk = makeChunk("vpAg", {1, 2, 3, 4, 5, 6, 7, 8, 9});
    layout.before.insert(layout.before.end(), privateChunk.begin(), privateChunk.end());
    // A colour profile that does not inflate: libpng warns and goes on.
    auto profile = makeChunk("iCCP", {'p', 0, 0, 1, 2, 3});
    layout.before.insert(layout.before.end(), profile.begin(), profile.end());
    layout.after = textChunk();
    auto time = makeChunk("tIME", {7, 0xE8, 1, 2, 3, 4, 5});
    layout.after.insert(layout.after.end(), time.begin(), time.end());
    Bytes png = frameOf(30, 20, layout);
    expectOutcome(png, Outcome::FastPath, "ancillary chunks");
    png.insert(png.end(), {'t', 'r', 'a', 'i', 'l'});
    expectOutcome(png, Outcome::FastPath, "bytes after the end chunk");
}

TEST(PngFastPath, FramesTheEncoderWritesTakeTheFastPath) {
    auto image = platform::CGImage::create(600, 400, drawTestFrame(600, 400, 9));
    ASSERT_TRUE(image);
    expectOutcome(platform::encodePng(*image), Outcome::FastPath, "RGBA");
    expectOutcome(platform::encodePng(*image, {platform::PngColorType::RGB}), Outcome::FastPath,
                  "RGB");
}

TEST(PngFastPath, TheRouteTurnsTheFastPathOff) {
    ASSERT_EQ(platform::pngDecoderRoute(), platform::PngDecoderRoute::FastPathFirst);
    Bytes png = frameOf(8, 8, {});
    platform::setPngDecoderRoute(platform::PngDecoderRoute::LibpngOnly);
    auto image = platform::decodePng(png);
    platform::setPngDecoderRoute(platform::PngDecoderRoute::FastPathFirst);
    ASSERT_TRUE(image);
    EXPECT_EQ(firstDifference(image->pixels(), drawTestFrame(8, 8, 1)), std::string::npos);
}

} // namespace
