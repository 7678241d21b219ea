#include "tools/lockscreen/LockScreenFurniture.h"

#include "tools/lockscreen/TextSetting.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <numbers>

namespace velorin::tools {

namespace {

using platform::CGRect;
using platform::CGRectMake;
using platform::UIColor;

constexpr UIColor white{1, 1, 1, 1};
constexpr UIColor softWhite{1, 1, 1, 0.88};
constexpr UIColor buttonColor{1, 1, 1, 0.18};
constexpr UIColor batteryOutline{1, 1, 1, 0.55};
constexpr UIColor chargingGreen{0.30, 0.85, 0.40, 1};
constexpr UIColor boltOnBattery{0, 0, 0, 0.75};
constexpr double pi = std::numbers::pi;

void setColor(cairo_t* cairo, const UIColor& color) {
    cairo_set_source_rgba(cairo, color.red, color.green, color.blue, color.alpha);
}

void roundedRectangle(cairo_t* cairo, const CGRect& rect, double radius) {
    radius = std::clamp(radius, 0.0, std::min(rect.size.width, rect.size.height) / 2);
    cairo_new_sub_path(cairo);
    cairo_arc(cairo, rect.maxX() - radius, rect.minY() + radius, radius, -pi / 2, 0);
    cairo_arc(cairo, rect.maxX() - radius, rect.maxY() - radius, radius, 0, pi / 2);
    cairo_arc(cairo, rect.minX() + radius, rect.maxY() - radius, radius, pi / 2, pi);
    cairo_arc(cairo, rect.minX() + radius, rect.minY() + radius, radius, pi, 3 * pi / 2);
    cairo_close_path(cairo);
}

CGRect inset(const CGRect& rect, double by) {
    return CGRectMake(rect.minX() + by, rect.minY() + by, std::max(0.0, rect.size.width - 2 * by),
                      std::max(0.0, rect.size.height - 2 * by));
}

// A lightning bolt filling `box`.
void bolt(cairo_t* cairo, const CGRect& box, const UIColor& color) {
    static constexpr double corners[][2] = {{0.60, 0.00}, {0.10, 0.57}, {0.46, 0.57},
                                            {0.38, 1.00}, {0.90, 0.41}, {0.53, 0.41}};
    cairo_new_path(cairo);
    for (const auto& corner : corners)
        cairo_line_to(cairo, box.minX() + corner[0] * box.size.width,
                      box.minY() + corner[1] * box.size.height);
    cairo_close_path(cairo);
    setColor(cairo, color);
    cairo_fill(cairo);
}

// A battery glyph filling `box`: an outlined body, a cap on its right, the level filled in.
void battery(cairo_t* cairo, const CGRect& box, double lineWidth, double level,
             const UIColor& fill) {
    double capWidth = std::max(lineWidth, box.size.width * 0.07);
    CGRect body =
        CGRectMake(box.minX() + lineWidth / 2, box.minY() + lineWidth / 2,
                   box.size.width - capWidth - lineWidth * 1.5, box.size.height - lineWidth);
    roundedRectangle(cairo, body, body.size.height * 0.28);
    setColor(cairo, batteryOutline);
    cairo_set_line_width(cairo, lineWidth);
    cairo_stroke(cairo);
    double capHeight = box.size.height * 0.36;
    roundedRectangle(cairo,
                     CGRectMake(box.maxX() - capWidth,
                                box.minY() + (box.size.height - capHeight) / 2, capWidth,
                                capHeight),
                     capWidth / 2);
    cairo_fill(cairo);
    CGRect inside = inset(body, lineWidth * 1.5);
    inside.size.width *= std::clamp(level, 0.0, 1.0);
    roundedRectangle(cairo, inside, inside.size.height * 0.2);
    setColor(cairo, fill);
    cairo_fill(cairo);
}

// A padlock filling `box`: the shackle above, the body below.
void lockGlyph(cairo_t* cairo, const CGRect& box) {
    double width = box.size.width;
    double bodyTop = box.minY() + box.size.height * 0.45;
    double shackleRadius = width * 0.30;
    double shackleLine = width * 0.13;
    double centreX = box.minX() + width / 2;
    cairo_new_path(cairo);
    cairo_move_to(cairo, centreX - shackleRadius, bodyTop);
    cairo_arc(cairo, centreX, box.minY() + shackleRadius + shackleLine / 2, shackleRadius, pi,
              2 * pi);
    cairo_line_to(cairo, centreX + shackleRadius, bodyTop);
    setColor(cairo, white);
    cairo_set_line_width(cairo, shackleLine);
    cairo_stroke(cairo);
    roundedRectangle(cairo, CGRectMake(box.minX(), bodyTop, width, box.maxY() - bodyTop),
                     width * 0.16);
    cairo_fill(cairo);
}

// A flashlight standing upright in the middle of `box`.
void flashlight(cairo_t* cairo, const CGRect& box) {
    double width = box.size.width;
    double height = box.size.height;
    double centreX = box.minX() + width / 2;
    double headTop = box.minY() + height * 0.22;
    double headBottom = box.minY() + height * 0.40;
    cairo_new_path(cairo);
    cairo_move_to(cairo, centreX - width * 0.16, headTop);
    cairo_line_to(cairo, centreX + width * 0.16, headTop);
    cairo_line_to(cairo, centreX + width * 0.09, headBottom);
    cairo_line_to(cairo, centreX - width * 0.09, headBottom);
    cairo_close_path(cairo);
    setColor(cairo, white);
    cairo_fill(cairo);
    roundedRectangle(cairo,
                     CGRectMake(centreX - width * 0.09, headBottom + height * 0.02, width * 0.18,
                                box.minY() + height * 0.78 - headBottom),
                     width * 0.04);
    cairo_fill(cairo);
}

// A camera in the middle of `box`.
void camera(cairo_t* cairo, const CGRect& box) {
    double width = box.size.width;
    double height = box.size.height;
    CGRect body = CGRectMake(box.minX() + width * 0.25, box.minY() + height * 0.35, width * 0.5,
                             height * 0.36);
    setColor(cairo, white);
    roundedRectangle(cairo,
                     CGRectMake(body.minX() + body.size.width * 0.3, body.minY() - height * 0.06,
                                body.size.width * 0.4, height * 0.1),
                     height * 0.02);
    cairo_fill(cairo);
    roundedRectangle(cairo, body, height * 0.06);
    cairo_fill(cairo);
    // The lens is cut out of the body.
    cairo_set_operator(cairo, CAIRO_OPERATOR_CLEAR);
    cairo_arc(cairo, body.minX() + body.size.width / 2, body.minY() + body.size.height / 2,
              body.size.height * 0.3, 0, 2 * pi);
    cairo_fill(cairo);
    cairo_set_operator(cairo, CAIRO_OPERATOR_OVER);
}

void roundButton(cairo_t* cairo, const CGRect& frame) {
    cairo_new_path(cairo);
    cairo_arc(cairo, frame.minX() + frame.size.width / 2, frame.minY() + frame.size.height / 2,
              std::min(frame.size.width, frame.size.height) / 2, 0, 2 * pi);
    setColor(cairo, buttonColor);
    cairo_fill(cairo);
}

} // namespace

void drawPagePieces(cairo_t* cairo, const LockScreenLayout& layout, const LockScreenText& text) {
    cairo_save(cairo);
    lockGlyph(cairo, layout.lockGlyph);
    setTextToFill(cairo, text.clock, TextStyle{0, FontWeight::Regular, white}, layout.clock);
    TextStyle dateStyle{layout.date.size.height * 0.78, FontWeight::Regular, softWhite};
    setText(cairo, text.date, dateStyle, layout.date);
    // Each icon is drawn in a group of its own, so that the camera's lens, cut out of the
    // camera, shows the button's disc rather than a hole through it.
    for (const auto& [frame, icon] :
         {std::pair{layout.leftButton, &flashlight}, std::pair{layout.rightButton, &camera}}) {
        roundButton(cairo, frame);
        cairo_push_group(cairo);
        icon(cairo, frame);
        cairo_pop_group_to_source(cairo);
        cairo_paint(cairo);
    }
    roundedRectangle(cairo, layout.homeIndicator, layout.homeIndicator.size.height / 2);
    setColor(cairo, softWhite);
    cairo_fill(cairo);
    cairo_restore(cairo);
}

void drawStatusBar(cairo_t* cairo, const LockScreenLayout& layout, const LockScreenText& text,
                   PowerSource power) {
    cairo_save(cairo);
    double line = layout.statusTime.size.height;
    setText(cairo, text.clock, TextStyle{line * 0.75, FontWeight::Bold, white}, layout.statusTime);
    setText(cairo, std::to_string(shownBatteryPercent) + "%",
            TextStyle{line * 0.62, FontWeight::Regular, white, TextAlignment::Right},
            layout.batteryLevel);
    bool charging = power == PowerSource::Charger;
    const CGRect& glyph = layout.batteryGlyph;
    battery(cairo, glyph, 1, shownBatteryPercent / 100.0, charging ? chargingGreen : white);
    if (charging) {
        double boltHeight = glyph.size.height * 0.8;
        bolt(cairo,
             CGRectMake(glyph.minX() + glyph.size.width * 0.46 - boltHeight * 0.3,
                        glyph.minY() + (glyph.size.height - boltHeight) / 2, boltHeight * 0.6,
                        boltHeight),
             boltOnBattery);
    }
    cairo_restore(cairo);
}

void drawChargingIndicator(cairo_t* cairo, platform::CGSize size) {
    cairo_save(cairo);
    double side = std::min(size.width, size.height);
    double centreX = size.width / 2;
    CGRect glyph = CGRectMake(centreX - side * 0.32, size.height * 0.42 - side * 0.14, side * 0.64,
                              side * 0.28);
    battery(cairo, glyph, side * 0.02, shownBatteryPercent / 100.0, chargingGreen);
    double boltHeight = glyph.size.height * 0.78;
    bolt(cairo,
         CGRectMake(centreX - side * 0.02 - boltHeight * 0.3,
                    glyph.minY() + (glyph.size.height - boltHeight) / 2, boltHeight * 0.6,
                    boltHeight),
         white);
    setText(cairo, std::to_string(shownBatteryPercent) + "%",
            TextStyle{side * 0.13, FontWeight::Bold, white},
            CGRectMake(0, size.height * 0.64, size.width, side * 0.18));
    cairo_restore(cairo);
}

} // namespace velorin::tools
