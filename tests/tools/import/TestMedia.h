// Media files made in code for the import tests: GIFs, animated PNGs and videos written with
// FFmpeg's own encoders and muxers, animated WebP with libwebp's animation encoder, and still
// PNGs with the project's encoder. Pictures are tiny and of a few flat colours, so a test can
// tell frames apart by a pixel.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velorin::testing {

struct Color {
    std::uint8_t red{0}, green{0}, blue{0}, alpha{255};
};

inline constexpr Color clear{0, 0, 0, 0};

struct Picture {
    std::uint32_t width{0};
    std::uint32_t height{0};
    std::vector<std::uint8_t> pixels; // RGBA

    static Picture filled(std::uint32_t width, std::uint32_t height, Color color);
    // Paints the rectangle from (left, top), `width` × `height` pixels.
    Picture& paint(std::uint32_t left, std::uint32_t top, std::uint32_t width, std::uint32_t height,
                   Color color);
    Color at(std::uint32_t x, std::uint32_t y) const;
};

struct TimedPicture {
    Picture picture;
    // How long it shows, in milliseconds (a GIF keeps whole hundredths).
    int milliseconds{100};
};

struct VideoSettings {
    // FFmpeg's names: "mp4", "matroska" or "webm"; "mpeg4" or "libvpx".
    std::string container{"mp4"};
    std::string codec{"mpeg4"};
    // The display matrix's clockwise turn, as av_display_rotation_set takes it; 0 writes none.
    double clockwiseTurn{0};
    // Whether the display matrix also mirrors the frames left to right.
    bool mirrored{false};
    bool withSound{false};
    // Colour matrix and range the frames are encoded and tagged with.
    bool highDefinitionMatrix{false};
    bool fullRange{false};
};

// Each writes the file and throws std::runtime_error when it cannot. `loops` follows each
// format: a GIF's loop count (-1 writes no looping extension: plays once), an animated PNG's
// and a WebP's number of plays (0 forever).
void writeGif(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
              int loops = 0);
void writeAnimatedPng(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
                      int plays = 0);
void writeVideo(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
                const VideoSettings& settings = {});
void writeAnimatedWebp(const std::filesystem::path& path, const std::vector<TimedPicture>& frames,
                       int plays = 0);
void writePng(const std::filesystem::path& path, const Picture& picture);

// Frames of one size whose colours step through red, green, blue, ... one a frame.
std::vector<TimedPicture> coloredFrames(int count, int milliseconds, std::uint32_t width = 16,
                                        std::uint32_t height = 16);
Color colorOfFrame(int index);

} // namespace velorin::testing
