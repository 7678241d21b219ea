#include "tools/preview/ExtensionOffMark.h"

#include "tools/lockscreen/TextSetting.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace velorin::tools {

namespace {

// A dark red that reads as a warning over any wallpaper, laid at this opacity.
constexpr std::array<double, 3> bandColor{96, 16, 24};
constexpr double bandOpacity = 0.82;

void darkenBand(FramePixels& picture, std::uint32_t top, std::uint32_t height) {
    std::uint32_t bottom = std::min(picture.height, top + height);
    for (std::uint32_t row = top; row < bottom; ++row) {
        std::uint8_t* pixel = picture.rgba.data() + std::size_t{row} * picture.width * 4;
        for (std::uint32_t column = 0; column < picture.width; ++column, pixel += 4) {
            for (std::size_t channel = 0; channel < 3; ++channel)
                pixel[channel] = static_cast<std::uint8_t>(std::lround(
                    pixel[channel] * (1 - bandOpacity) + bandColor[channel] * bandOpacity));
        }
    }
}

} // namespace

void markExtensionOff(FramePixels& picture) {
    if (picture.width == 0 || picture.height == 0)
        return;
    // Sized by the width, so that the words fill most of it on any screen.
    double headline = picture.width / 9.0;
    double subline = picture.width / 20.0;
    auto bandHeight = static_cast<std::uint32_t>(std::ceil(headline * 1.4 + subline * 1.6));
    bandHeight = std::min(bandHeight, picture.height);
    std::uint32_t top = (picture.height - bandHeight) / 2;
    darkenBand(picture, top, bandHeight);
    std::string words(extensionOffWords);
    words[0] = static_cast<char>(words[0] - 'a' + 'A');
    TextStyle large{headline, FontWeight::Bold, {1, 1, 1, 1}, TextAlignment::Centre};
    TextStyle small{subline, FontWeight::Regular, {1, 1, 1, 1}, TextAlignment::Centre};
    double width = picture.width;
    setTextOnPicture(picture.rgba, picture.width, picture.height, words, large,
                     platform::CGRectMake(0, top, width, headline * 1.4));
    setTextOnPicture(picture.rgba, picture.width, picture.height, "the device shows nothing",
                     small, platform::CGRectMake(0, top + headline * 1.4, width, subline * 1.6));
}

} // namespace velorin::tools
