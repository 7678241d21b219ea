#include "samples/generator/Canvas.h"

#include <algorithm>
#include <cmath>

namespace velorin::samples {

namespace {

float clampUnit(float value) {
    return std::clamp(value, 0.0f, 1.0f);
}

// Coverage of a pixel whose centre lies `distance` pixels outside a shape's edge (negative
// inside): a linear ramp one pixel wide approximates the area a straight edge covers.
float edgeCoverage(float distance) {
    return clampUnit(0.5f - distance);
}

// Signed distance from a point to a rounded rectangle given by its centre and half sizes.
float roundedRectangleDistance(float x, float y, Point centre, float halfWidth, float halfHeight,
                               float cornerRadius) {
    float insetX = std::abs(x - centre.x) - (halfWidth - cornerRadius);
    float insetY = std::abs(y - centre.y) - (halfHeight - cornerRadius);
    float outside = std::hypot(std::max(insetX, 0.0f), std::max(insetY, 0.0f));
    float inside = std::min(std::max(insetX, insetY), 0.0f);
    return outside + inside - cornerRadius;
}

bool insidePolygon(const std::vector<Point>& corners, float x, float y) {
    bool inside = false;
    for (std::size_t current = 0, previous = corners.size() - 1; current < corners.size();
         previous = current++) {
        const Point& a = corners[current];
        const Point& b = corners[previous];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

} // namespace

Canvas::Canvas(std::uint32_t width, std::uint32_t height, std::uint32_t scale)
    : m_width(width * scale), m_height(height * scale), m_scale(scale),
      m_pixels(static_cast<std::size_t>(m_width) * m_height * 4, 0.0f) {
}

Point Canvas::toPixels(Point point) const {
    return {point.x * static_cast<float>(m_scale), point.y * static_cast<float>(m_scale)};
}

float Canvas::toPixels(float length) const {
    return length * static_cast<float>(m_scale);
}

void Canvas::blend(std::uint32_t x, std::uint32_t y, Color color, float coverage) {
    float sourceAlpha = clampUnit(color.alpha * coverage);
    if (sourceAlpha <= 0.0f)
        return;
    float* pixel = &m_pixels[(static_cast<std::size_t>(y) * m_width + x) * 4];
    float keep = 1.0f - sourceAlpha;
    pixel[0] = color.red * sourceAlpha + pixel[0] * keep;
    pixel[1] = color.green * sourceAlpha + pixel[1] * keep;
    pixel[2] = color.blue * sourceAlpha + pixel[2] * keep;
    pixel[3] = sourceAlpha + pixel[3] * keep;
}

template <typename Coverage>
void Canvas::paint(float left, float top, float right, float bottom, Color color,
                   Coverage coverageAt) {
    auto firstColumn = static_cast<std::int64_t>(std::floor(std::max(left, 0.0f)));
    auto firstRow = static_cast<std::int64_t>(std::floor(std::max(top, 0.0f)));
    auto endColumn =
        static_cast<std::int64_t>(std::ceil(std::min(right, static_cast<float>(m_width))));
    auto endRow =
        static_cast<std::int64_t>(std::ceil(std::min(bottom, static_cast<float>(m_height))));
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        for (std::int64_t column = firstColumn; column < endColumn; ++column) {
            float coverage =
                coverageAt(static_cast<float>(column) + 0.5f, static_cast<float>(row) + 0.5f);
            if (coverage > 0.0f)
                blend(static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(row), color,
                      coverage);
        }
    }
}

void Canvas::fillDisc(Point centrePoints, float radiusPoints, Color color, float softnessPoints) {
    const Point centre = toPixels(centrePoints);
    const float radius = toPixels(radiusPoints);
    const float softness = toPixels(softnessPoints);
    float reach = radius + softness;
    float ramp = std::max(softness, 1.0f);
    paint(centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach, color,
          [&](float x, float y) {
              float distance = std::hypot(x - centre.x, y - centre.y) - radius;
              // A soft edge fades over `ramp` pixels, centred on the radius.
              return clampUnit(0.5f - distance / ramp);
          });
}

void Canvas::strokeRing(Point centrePoints, float radiusPoints, float thicknessPoints,
                        Color color) {
    const Point centre = toPixels(centrePoints);
    const float radius = toPixels(radiusPoints);
    const float thickness = toPixels(thicknessPoints);
    float reach = radius + thickness;
    paint(centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach, color,
          [&](float x, float y) {
              float distance =
                  std::abs(std::hypot(x - centre.x, y - centre.y) - radius) - thickness * 0.5f;
              return edgeCoverage(distance);
          });
}

void Canvas::fillRoundedRectangle(Point originPoints, float widthPoints, float heightPoints,
                                  float cornerRadiusPoints, Color color) {
    const Point origin = toPixels(originPoints);
    const float width = toPixels(widthPoints);
    const float height = toPixels(heightPoints);
    const float cornerRadius = toPixels(cornerRadiusPoints);
    Point centre{origin.x + width * 0.5f, origin.y + height * 0.5f};
    float radius = std::min({cornerRadius, width * 0.5f, height * 0.5f});
    paint(origin.x - 1, origin.y - 1, origin.x + width + 1, origin.y + height + 1, color,
          [&](float x, float y) {
              return edgeCoverage(
                  roundedRectangleDistance(x, y, centre, width * 0.5f, height * 0.5f, radius));
          });
}

void Canvas::strokeRoundedRectangle(Point originPoints, float widthPoints, float heightPoints,
                                    float cornerRadiusPoints, float thicknessPoints, Color color) {
    const Point origin = toPixels(originPoints);
    const float width = toPixels(widthPoints);
    const float height = toPixels(heightPoints);
    const float cornerRadius = toPixels(cornerRadiusPoints);
    const float thickness = toPixels(thicknessPoints);
    Point centre{origin.x + width * 0.5f, origin.y + height * 0.5f};
    float radius = std::min({cornerRadius, width * 0.5f, height * 0.5f});
    paint(origin.x - 1, origin.y - 1, origin.x + width + 1, origin.y + height + 1, color,
          [&](float x, float y) {
              float distance =
                  roundedRectangleDistance(x, y, centre, width * 0.5f, height * 0.5f, radius);
              // Inside the outer edge and outside the inner one.
              return std::min(edgeCoverage(distance), edgeCoverage(-distance - thickness));
          });
}

void Canvas::fillPolygon(const std::vector<Point>& cornerPoints, Color color) {
    if (cornerPoints.size() < 3)
        return;
    std::vector<Point> corners;
    for (const Point& corner : cornerPoints)
        corners.push_back(toPixels(corner));
    float left = corners[0].x, right = corners[0].x, top = corners[0].y, bottom = corners[0].y;
    for (const Point& corner : corners) {
        left = std::min(left, corner.x);
        right = std::max(right, corner.x);
        top = std::min(top, corner.y);
        bottom = std::max(bottom, corner.y);
    }
    constexpr int samplesPerSide = 4;
    paint(left, top, right, bottom, color, [&](float x, float y) {
        int inside = 0;
        for (int row = 0; row < samplesPerSide; ++row) {
            for (int column = 0; column < samplesPerSide; ++column) {
                float sampleX = x - 0.5f + (static_cast<float>(column) + 0.5f) / samplesPerSide;
                float sampleY = y - 0.5f + (static_cast<float>(row) + 0.5f) / samplesPerSide;
                if (insidePolygon(corners, sampleX, sampleY))
                    ++inside;
            }
        }
        return static_cast<float>(inside) / (samplesPerSide * samplesPerSide);
    });
}

platform::Ref<platform::CGImage> Canvas::image() const {
    std::vector<std::uint8_t> bytes(m_pixels.size());
    for (std::size_t pixel = 0; pixel < m_pixels.size(); pixel += 4) {
        float alpha = clampUnit(m_pixels[pixel + 3]);
        for (std::size_t channel = 0; channel < 3; ++channel) {
            float straight = alpha > 0.0f ? clampUnit(m_pixels[pixel + channel] / alpha) : 0.0f;
            bytes[pixel + channel] = static_cast<std::uint8_t>(std::lround(straight * 255.0f));
        }
        bytes[pixel + 3] = static_cast<std::uint8_t>(std::lround(alpha * 255.0f));
    }
    return platform::CGImage::create(m_width, m_height, std::move(bytes));
}

} // namespace velorin::samples
