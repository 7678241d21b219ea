// Text on the tools' pictures: the lock screen's clock, date and status bar, the contact
// sheet's labels and the live window's status line, set with pango and cairo.
//
// Text is set in DejaVu Sans from the fonts-dejavu-core package, loaded from its files into a
// font configuration of its own, and drawn with grey-level anti-aliasing and without hinting,
// so a picture comes out the same whatever fonts and settings the user's machine has. Where
// the package's files are missing, the machine's own fontconfig chooses a sans-serif face.
// Sizes and boxes are in the units of the cairo context drawn into (pixels, or points under a
// scale). The font is shared by the whole process and used under a lock, so text may be set on
// any thread, one at a time.
#pragma once

#include "platform/display/Geometry.h"

#include <cstdint>
#include <span>
#include <string_view>

using cairo_t = struct _cairo;

namespace velorin::tools {

enum class FontWeight { Regular, Bold };
enum class TextAlignment { Left, Centre, Right };

struct TextStyle {
    // The size of an em.
    double size{14};
    FontWeight weight{FontWeight::Regular};
    platform::UIColor color{1, 1, 1, 1};
    TextAlignment alignment{TextAlignment::Centre};
};

// The width and height of the text's line as set at `style`, with the context's units at one
// a pixel.
platform::CGSize measureText(std::string_view text, const TextStyle& style);

// Sets one line of text in `box`: across as the style aligns it, down with its line centred. A
// line wider than the box ends in an ellipsis where the box does.
void setText(cairo_t* cairo, std::string_view text, const TextStyle& style,
             const platform::CGRect& box);

// Sets one line of text as large as its ink fits in `box`, the ink centred both ways; the
// style's size is not used. Nothing is drawn outside the box.
void setTextToFill(cairo_t* cairo, std::string_view text, const TextStyle& style,
                   const platform::CGRect& box);

// Sets one line of text as `setText` does, straight onto a picture: `pixels` are width ×
// height × 4 bytes of premultiplied RGBA8 (or of an opaque picture), and `box` is in pixels.
void setTextOnPicture(std::span<std::uint8_t> pixels, std::uint32_t width, std::uint32_t height,
                      std::string_view text, const TextStyle& style, const platform::CGRect& box);

} // namespace velorin::tools
