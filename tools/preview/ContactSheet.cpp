#include "tools/preview/ContactSheet.h"

#include "tools/lockscreen/TextSetting.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace velorin::tools {

namespace {

constexpr int maximumTiles = 12;
constexpr int maximumColumns = 4;
// The longer side of a tile, in pixels; smaller frames are kept at their own size.
constexpr std::uint32_t tileLongerSide = 360;
constexpr std::uint32_t margin = 16;
constexpr std::uint32_t labelGap = 8;
constexpr std::array<std::uint8_t, 4> sheetColor{28, 28, 32, 255};
constexpr TextStyle labelStyle{14, FontWeight::Regular, {220 / 255.0, 220 / 255.0, 228 / 255.0, 1}};
constexpr TextStyle titleStyle{20, FontWeight::Bold, {235 / 255.0, 235 / 255.0, 240 / 255.0, 1}};

// "1.50 s", or "4.00 s · showing ends".
std::string tileLabel(double seconds, const std::string& events) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return events.empty() ? std::string(text) : std::string(text) + " · " + events;
}

// The whole pixels a label takes.
std::uint32_t labelWidth(const std::string& label) {
    return static_cast<std::uint32_t>(std::ceil(measureText(label, labelStyle).width));
}

std::uint32_t labelHeight() {
    return static_cast<std::uint32_t>(std::ceil(measureText("0.00 s", labelStyle).height));
}

// Copies `tile` into `sheet` with its top left corner at `left`, `top`.
void place(platform::CGImage& sheet, const platform::CGImage& tile, std::uint32_t left,
           std::uint32_t top) {
    auto pixels = sheet.mutablePixels();
    const auto& source = tile.pixels();
    std::size_t rowBytes = std::size_t{tile.width()} * 4;
    for (std::uint32_t row = 0; row < tile.height(); ++row) {
        std::size_t from = row * rowBytes;
        std::size_t to = (static_cast<std::size_t>(top + row) * sheet.width() + left) * 4;
        std::copy_n(source.begin() + static_cast<long>(from), rowBytes,
                    pixels.begin() + static_cast<long>(to));
    }
}

} // namespace

std::vector<int> ContactSheet::chooseTiles(int lastFrame, const std::vector<int>& eventFrames) {
    std::vector<int> tiles;
    if (lastFrame < 0)
        return tiles;
    int count = std::min(lastFrame + 1, maximumTiles);
    for (int tile = 0; tile < count; ++tile) {
        double position =
            count == 1 ? 0.0
                       : static_cast<double>(tile) * lastFrame / static_cast<double>(count - 1);
        tiles.push_back(static_cast<int>(std::lround(position)));
    }
    // The first frame, where the charger goes in, keeps its tile.
    for (int event : eventFrames) {
        if (event <= 0 || event > lastFrame ||
            std::find(tiles.begin(), tiles.end(), event) != tiles.end())
            continue;
        auto nearest = std::min_element(tiles.begin() + 1, tiles.end(), [event](int a, int b) {
            return std::abs(a - event) < std::abs(b - event);
        });
        if (nearest != tiles.end())
            *nearest = event;
    }
    std::sort(tiles.begin(), tiles.end());
    tiles.erase(std::unique(tiles.begin(), tiles.end()), tiles.end());
    return tiles;
}

ContactSheet::ContactSheet(std::vector<int> tiles, std::uint32_t frameWidth,
                           std::uint32_t frameHeight, std::string title)
    : m_wanted(std::move(tiles)), m_title(std::move(title)) {
    std::uint32_t longer = std::max({frameWidth, frameHeight, std::uint32_t{1}});
    double factor = std::min(1.0, static_cast<double>(tileLongerSide) / longer);
    m_tileWidth =
        std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(frameWidth * factor)));
    m_tileHeight =
        std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(frameHeight * factor)));
}

ContactSheet ContactSheet::forPreview(const PreviewSettings& settings) {
    ShowingPlan plan = planShowings(settings, settings.looping);
    return ContactSheet(chooseTiles(plan.lastSampledFrame, plan.eventFrames),
                        settings.pixelWidth(), settings.pixelHeight(), settings.sheetTitle);
}

bool ContactSheet::wants(int index) const {
    return std::binary_search(m_wanted.begin(), m_wanted.end(), index);
}

void ContactSheet::add(int index, double seconds, const std::string& events,
                       const FramePixels& frame) {
    if (!wants(index))
        return;
    if (auto tile = scaleDown(frame, m_tileWidth, m_tileHeight))
        m_tiles.push_back({index, tileLabel(seconds, events), std::move(tile)});
}

platform::Ref<platform::CGImage> ContactSheet::assemble() const {
    if (m_tiles.empty())
        return nullptr;
    auto tileCount = static_cast<std::uint32_t>(m_tiles.size());
    std::uint32_t columns = std::min<std::uint32_t>(tileCount, maximumColumns);
    std::uint32_t rows = (tileCount + columns - 1) / columns;
    std::uint32_t widestLabel = 0;
    for (const Tile& tile : m_tiles)
        widestLabel = std::max(widestLabel, labelWidth(tile.label));
    std::uint32_t cellWidth = std::max(m_tileWidth, widestLabel);
    std::uint32_t cellHeight = m_tileHeight + labelGap + labelHeight();
    std::uint32_t width = margin + columns * (cellWidth + margin);
    std::uint32_t titleHeight =
        m_title.empty()
            ? 0
            : static_cast<std::uint32_t>(std::ceil(measureText(m_title, titleStyle).height)) +
                  margin;
    std::uint32_t height = margin + titleHeight + rows * (cellHeight + margin);
    auto sheet = platform::CGImage::createTransparent(width, height);
    if (!sheet)
        return nullptr;
    auto pixels = sheet->mutablePixels();
    for (std::size_t offset = 0; offset < pixels.size(); offset += 4)
        std::copy(sheetColor.begin(), sheetColor.end(), pixels.begin() + static_cast<long>(offset));
    for (std::uint32_t position = 0; position < tileCount; ++position) {
        const Tile& tile = m_tiles[position];
        std::uint32_t cellLeft = margin + (position % columns) * (cellWidth + margin);
        std::uint32_t cellTop = margin + titleHeight + (position / columns) * (cellHeight + margin);
        place(*sheet, *tile.image, cellLeft + (cellWidth - m_tileWidth) / 2, cellTop);
        setTextOnPicture(sheet->mutablePixels(), width, height, tile.label, labelStyle,
                         platform::CGRectMake(cellLeft, cellTop + m_tileHeight + labelGap,
                                              cellWidth, labelHeight()));
    }
    if (titleHeight > 0)
        setTextOnPicture(sheet->mutablePixels(), width, height, m_title, titleStyle,
                         platform::CGRectMake(0, margin, width, titleHeight - margin));
    return sheet;
}

platform::Ref<platform::CGImage>
placeSideBySide(const std::vector<platform::Ref<platform::CGImage>>& sheets) {
    if (sheets.empty())
        return nullptr;
    std::uint64_t width = 0;
    std::uint32_t height = 0;
    for (const auto& sheet : sheets) {
        width += sheet->width();
        height = std::max(height, sheet->height());
    }
    if (width > platform::maximumImageSide)
        return nullptr;
    auto wide = static_cast<std::uint32_t>(width);
    platform::PixelBytes pixels(std::size_t{wide} * height * 4);
    for (std::size_t offset = 0; offset < pixels.size(); offset += 4)
        std::copy(sheetColor.begin(), sheetColor.end(), pixels.begin() + static_cast<long>(offset));
    auto combined = platform::CGImage::create(wide, height, std::move(pixels));
    if (!combined)
        return nullptr;
    std::uint32_t left = 0;
    for (const auto& sheet : sheets) {
        place(*combined, *sheet, left, 0);
        left += sheet->width();
    }
    return combined;
}

platform::Ref<platform::CGImage> scaleDown(const FramePixels& image, std::uint32_t width,
                                           std::uint32_t height) {
    if (width == 0 || height == 0 || image.width == 0 || image.height == 0)
        return nullptr;
    // The source columns (or rows) that one target pixel covers: from its start up to the
    // next pixel's start, at least one.
    auto footprint = [](std::uint32_t target, std::uint32_t targetExtent,
                        std::uint32_t sourceExtent) {
        auto first =
            static_cast<std::uint32_t>(std::uint64_t{target} * sourceExtent / targetExtent);
        auto end =
            static_cast<std::uint32_t>(std::uint64_t{target + 1} * sourceExtent / targetExtent);
        first = std::min(first, sourceExtent - 1);
        return std::pair{first, std::max(end, first + 1)};
    };
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    for (std::uint32_t y = 0; y < height; ++y) {
        auto [top, bottom] = footprint(y, height, image.height);
        for (std::uint32_t x = 0; x < width; ++x) {
            auto [left, right] = footprint(x, width, image.width);
            std::array<std::uint64_t, 4> sums{};
            for (std::uint32_t row = top; row < bottom; ++row) {
                for (std::uint32_t column = left; column < right; ++column) {
                    const std::uint8_t* pixel = image.pixelAt(column, row);
                    for (std::size_t channel = 0; channel < 4; ++channel)
                        sums[channel] += pixel[channel];
                }
            }
            std::uint64_t count = std::uint64_t{bottom - top} * (right - left);
            std::uint8_t* target = pixels.data() + (std::size_t{y} * width + x) * 4;
            for (std::size_t channel = 0; channel < 4; ++channel)
                target[channel] = static_cast<std::uint8_t>((sums[channel] + count / 2) / count);
        }
    }
    return platform::CGImage::create(width, height, std::move(pixels));
}

} // namespace velorin::tools
