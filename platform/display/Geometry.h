// Points, sizes and rectangles in points, doubles, y measured downward.
#pragma once

namespace platform {

struct CGPoint {
    double x{0}, y{0};
    bool operator==(const CGPoint&) const = default;
};
struct CGSize {
    double width{0}, height{0};
    bool operator==(const CGSize&) const = default;
};
struct CGRect {
    CGPoint origin;
    CGSize size;
    bool operator==(const CGRect&) const = default;
    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    // A point on the edge at the origin is inside; one on the far edges is not, as the
    // toolkit's hit testing has it.
    bool contains(CGPoint point) const {
        return point.x >= minX() && point.y >= minY() && point.x < maxX() && point.y < maxY();
    }
};

inline CGRect CGRectMake(double x, double y, double width, double height) {
    return CGRect{{x, y}, {width, height}};
}

struct UIColor {
    double red{0}, green{0}, blue{0}, alpha{0};
    static UIColor clearColor() { return {0, 0, 0, 0}; }
    static UIColor blackColor() { return {0, 0, 0, 1}; }
    bool operator==(const UIColor&) const = default;
};

} // namespace platform
