#include "sim/Trace.h"

#include "common/QuoteText.h"
#include "platform/MainQueue.h"

#include <cinttypes>
#include <cstdio>

namespace velorin::sim {

std::string formatNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    // A small negative value rounds to "-0", which says nothing that "0" does not.
    if (text == "-0")
        text = "0";
    return text;
}

std::string formatTime(std::uint64_t nanoseconds) {
    // Rounded to the nearest millisecond; the largest time cannot overflow, since it is at
    // most 2^64 - 1 and the rounding is done on the quotient's remainder.
    std::uint64_t milliseconds = nanoseconds / 1'000'000;
    if (nanoseconds % 1'000'000 >= 500'000)
        ++milliseconds;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%" PRIu64 ".%03" PRIu64, milliseconds / 1000,
                  milliseconds % 1000);
    return buffer;
}

std::string formatRect(const platform::CGRect& rect) {
    return formatNumber(rect.origin.x) + "," + formatNumber(rect.origin.y) + "," +
           formatNumber(rect.size.width) + "," + formatNumber(rect.size.height);
}

Trace::Trace(TraceSink sink) : m_sink(std::move(sink)) {
}

void Trace::write(std::string_view kindAndFields) {
    if (!m_sink)
        return;
    std::string line = formatTime(platform::MainQueue::shared().now());
    line += ' ';
    line += kindAndFields;
    m_sink(line);
}

void Trace::nameHostView(const platform::UIView* view, std::string name) {
    m_names[view] = std::move(name);
}

std::string& Trace::nameFor(const platform::UIView* view) {
    auto found = m_names.find(view);
    if (found != m_names.end())
        return found->second;
    // A view made before the trace was listening is named when first seen.
    std::string className = view->className();
    int number = ++m_countByClass[className];
    return m_names[view] = className + "#" + std::to_string(number);
}

std::string Trace::viewName(const platform::UIView* view) {
    if (!view)
        return "none";
    return nameFor(view);
}

void Trace::event(std::string_view text) {
    write("event " + std::string(text));
}

void Trace::hook(std::string_view className, std::string_view selector, HookOutcome outcome) {
    write("hook " + std::string(className) + " " + std::string(selector) +
          (outcome == HookOutcome::Passed ? " passed" : " dropped"));
}

void Trace::ask(std::string_view className, std::string_view selector, bool answer) {
    write("ask " + std::string(className) + " " + std::string(selector) + (answer ? " 1" : " 0"));
}

void Trace::askText(std::string_view className, std::string_view selector, const char* answer) {
    write("ask " + std::string(className) + " " + std::string(selector) + " " +
          (answer ? common::quoteText(answer) : std::string("none")));
}

void Trace::tell(std::string_view className, std::string_view selector) {
    write("tell " + std::string(className) + " " + std::string(selector));
}

void Trace::backlight(double factor) {
    write("backlight " + formatNumber(factor));
}

void Trace::chargingView(Visibility visibility) {
    write(visibility == Visibility::Visible ? "chargingview visible" : "chargingview hidden");
}

void Trace::touch(platform::CGPoint point, const platform::UIView* receiver) {
    write("touch " + formatNumber(point.x) + "," + formatNumber(point.y) + " " +
          viewName(receiver));
}

void Trace::end() {
    write("end");
}

void Trace::viewCreated(platform::UIView* view) {
    // Named now, so that numbers follow the order of creation rather than of first sight.
    nameFor(view);
}

void Trace::viewAttached(platform::UIView* view, platform::UIView* parent) {
    write("view " + viewName(view) + " added " + viewName(parent) +
          " frame=" + formatRect(view->frame()));
}

void Trace::viewDetached(platform::UIView* view) {
    write("view " + viewName(view) + " removed");
}

void Trace::viewDestroyed(platform::UIView* view) {
    m_names.erase(view);
}

void Trace::alphaChanged(platform::UIView* view, double alpha) {
    write("view " + viewName(view) + " alpha " + formatNumber(alpha));
}

void Trace::animationAdded(platform::CALayer* layer, platform::CAKeyframeAnimation* animation) {
    write("animation " + viewName(layer->view()) +
          " frames=" + std::to_string(animation->values().size()) +
          " duration=" + formatNumber(animation->duration()));
}

} // namespace velorin::sim
