#include "tools/import/FrameBox.h"

#include "platform/display/Image.h"

#include <algorithm>
#include <cmath>

namespace velorin::tools {

namespace {

double roundToHundredth(double points) {
    return std::round(points * 100) / 100;
}

std::optional<std::uint32_t> pixelSide(double points, double scale) {
    double pixels = std::round(points * scale);
    if (!std::isfinite(pixels) || pixels > platform::maximumImageSide)
        return std::nullopt;
    return pixels < 1 ? 1u : static_cast<std::uint32_t>(pixels);
}

} // namespace

PointBox chooseBox(const BoxRequest& request, std::uint32_t sourceWidth,
                   std::uint32_t sourceHeight) {
    double heightPerWidth = static_cast<double>(sourceHeight) / sourceWidth;
    if (request.widthPoints && request.heightPoints)
        return {*request.widthPoints, *request.heightPoints};
    if (request.heightPoints)
        return {roundToHundredth(*request.heightPoints / heightPerWidth), *request.heightPoints};
    double width = request.widthPoints.value_or(defaultBoxWidthPoints);
    return {width, roundToHundredth(width * heightPerWidth)};
}

double chooseScale(const BoxRequest& request, const PointBox& box, std::uint32_t sourceWidth,
                   SourcePixels pixels) {
    if (request.scale)
        return *request.scale;
    if (request.widthPoints || request.heightPoints || pixels == SourcePixels::Vector)
        return importScale;
    return std::min(importScale, sourceWidth / box.width);
}

std::optional<PixelSize> pixelSizeAt(const PointBox& box, double scale) {
    auto width = pixelSide(box.width, scale);
    auto height = pixelSide(box.height, scale);
    if (!width || !height)
        return std::nullopt;
    return PixelSize{*width, *height};
}

} // namespace velorin::tools
