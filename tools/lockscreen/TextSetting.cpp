#include "tools/lockscreen/TextSetting.h"

#include "tools/lockscreen/DrawnLayer.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <fontconfig/fontconfig.h>
#include <mutex>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace velorin::tools {

namespace {

// The faces of fonts-dejavu-core the pictures use.
constexpr const char* regularFace = VELORIN_FONT_FOLDER "/DejaVuSans.ttf";
constexpr const char* boldFace = VELORIN_FONT_FOLDER "/DejaVuSans-Bold.ttf";
constexpr const char* family = "DejaVu Sans";
// The size text is first laid out at when it is fitted to a box.
constexpr double fittingSize = 100;

struct TextStack {
    std::mutex lock;
    PangoFontMap* fontMap{nullptr};
    PangoContext* context{nullptr};

    TextStack() {
        fontMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        if (access(regularFace, R_OK) == 0 && access(boldFace, R_OK) == 0) {
            // A configuration that knows these two files and nothing else, so that neither the
            // user's fontconfig settings nor the other fonts installed change the pictures.
            FcConfig* config = FcConfigCreate();
            bool added =
                FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(regularFace)) &&
                FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(boldFace));
            if (added && PANGO_IS_FC_FONT_MAP(fontMap))
                pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap), config);
            FcConfigDestroy(config);
        }
        context = pango_font_map_create_context(fontMap);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
    }
};

TextStack& textStack() {
    // Made on first use and kept for the life of the process, as pango keeps its caches.
    static auto* stack = new TextStack;
    return *stack;
}

// A laid-out line of text in the shared context; the caller holds the stack's lock.
class Line {
public:
    Line(TextStack& stack, std::string_view text, const TextStyle& style, double size)
        : m_layout(pango_layout_new(stack.context)) {
        PangoFontDescription* font = pango_font_description_new();
        pango_font_description_set_family(font, family);
        pango_font_description_set_weight(
            font, style.weight == FontWeight::Bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
        pango_layout_set_font_description(m_layout, font);
        pango_font_description_free(font);
        pango_layout_set_single_paragraph_mode(m_layout, TRUE);
        pango_layout_set_text(m_layout, text.data(), static_cast<int>(text.size()));
    }
    ~Line() { g_object_unref(m_layout); }

    // Cuts the line short with an ellipsis where it is wider than `width`.
    void fitWidth(double width) {
        if (!(width > 0) || logical().size.width <= width)
            return;
        pango_layout_set_width(m_layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_ellipsize(m_layout, PANGO_ELLIPSIZE_END);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    platform::CGRect logical() const { return extents().second; }
    platform::CGRect ink() const { return extents().first; }

    void draw(cairo_t* cairo, double x, double y, const platform::UIColor& color) const {
        cairo_save(cairo);
        cairo_set_source_rgba(cairo, color.red, color.green, color.blue, color.alpha);
        cairo_move_to(cairo, x, y);
        pango_cairo_show_layout(cairo, m_layout);
        cairo_restore(cairo);
    }

private:
    std::pair<platform::CGRect, platform::CGRect> extents() const {
        PangoRectangle ink;
        PangoRectangle logical;
        pango_layout_get_extents(m_layout, &ink, &logical);
        auto toRect = [](const PangoRectangle& rectangle) {
            return platform::CGRectMake(
                rectangle.x / double{PANGO_SCALE}, rectangle.y / double{PANGO_SCALE},
                rectangle.width / double{PANGO_SCALE}, rectangle.height / double{PANGO_SCALE});
        };
        return {toRect(ink), toRect(logical)};
    }

    PangoLayout* m_layout;
};

double alignedLeft(const platform::CGRect& box, double width, TextAlignment alignment) {
    switch (alignment) {
    case TextAlignment::Left:
        return box.minX();
    case TextAlignment::Right:
        return box.maxX() - width;
    case TextAlignment::Centre:
        break;
    }
    return box.minX() + (box.size.width - width) / 2;
}

} // namespace

platform::CGSize measureText(std::string_view text, const TextStyle& style) {
    TextStack& stack = textStack();
    std::lock_guard guard(stack.lock);
    Line line(stack, text, style, style.size);
    return line.logical().size;
}

void setText(cairo_t* cairo, std::string_view text, const TextStyle& style,
             const platform::CGRect& box) {
    TextStack& stack = textStack();
    std::lock_guard guard(stack.lock);
    Line line(stack, text, style, style.size);
    line.fitWidth(box.size.width);
    platform::CGRect logical = line.logical();
    double left = alignedLeft(box, logical.size.width, style.alignment) - logical.minX();
    double top = box.minY() + (box.size.height - logical.size.height) / 2 - logical.minY();
    line.draw(cairo, left, top, style.color);
}

void setTextToFill(cairo_t* cairo, std::string_view text, const TextStyle& style,
                   const platform::CGRect& box) {
    TextStack& stack = textStack();
    std::lock_guard guard(stack.lock);
    platform::CGRect measured = Line(stack, text, style, fittingSize).ink();
    if (!(measured.size.width > 0) || !(measured.size.height > 0) || !(box.size.width > 0) ||
        !(box.size.height > 0))
        return;
    double size = fittingSize * std::min(box.size.width / measured.size.width,
                                         box.size.height / measured.size.height);
    Line line(stack, text, style, size);
    platform::CGRect ink = line.ink();
    double left = alignedLeft(box, ink.size.width, style.alignment) - ink.minX();
    double top = box.minY() + (box.size.height - ink.size.height) / 2 - ink.minY();
    // The size is rounded to the font's units, so the ink may come out a hair larger: the box
    // is the limit, as the notes of what an animation covers rest on it.
    cairo_save(cairo);
    cairo_rectangle(cairo, box.minX(), box.minY(), box.size.width, box.size.height);
    cairo_clip(cairo);
    line.draw(cairo, left, top, style.color);
    cairo_restore(cairo);
}

void setTextOnPicture(std::span<std::uint8_t> pixels, std::uint32_t width, std::uint32_t height,
                      std::string_view text, const TextStyle& style, const platform::CGRect& box) {
    // The text is set in a layer of the box's whole pixels, then laid over the picture there.
    double left = std::floor(box.minX());
    double top = std::floor(box.minY());
    double right = std::ceil(box.maxX());
    double bottom = std::ceil(box.maxY());
    constexpr double farthest = 1 << 20;
    if (!(right > left) || !(bottom > top) || right - left > 32767 || bottom - top > 32767 ||
        std::abs(left) > farthest || std::abs(top) > farthest)
        return;
    DrawnLayer layer(static_cast<std::uint32_t>(right - left),
                     static_cast<std::uint32_t>(bottom - top));
    if (!layer.isValid())
        return;
    setText(
        layer.cairo(), text, style,
        platform::CGRectMake(box.minX() - left, box.minY() - top, box.size.width, box.size.height));
    layer.drawOver(pixels, width, height, static_cast<std::int32_t>(left),
                   static_cast<std::int32_t>(top));
}

} // namespace velorin::tools
