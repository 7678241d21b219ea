// The trace of a simulated host: one line per observation, "T KIND FIELDS…", with T the main
// queue's virtual time in seconds with three decimals.
//
// The trace hears the display toolkit as its observer and names views: the host's own views
// by the names the host gives them, every other view by its class and a number that counts
// that class's views from 1 in order of creation ("UIView#1"). It knows nothing of the host's
// model; the host tells it what it asked, answered and applied. Lines go to a sink; without
// one, nothing is formatted.
#pragma once

#include "platform/display/View.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace velorin::sim {

// Receives each line, without its line break.
using TraceSink = std::function<void(std::string_view line)>;

// A number with at most three decimals, trailing zeros and a trailing point removed, and -0
// printed as 0: "125", "630.5", "0.1".
std::string formatNumber(double value);
// Nanoseconds as seconds with exactly three decimals: "1.500".
std::string formatTime(std::uint64_t nanoseconds);
// "x,y,w,h".
std::string formatRect(const platform::CGRect& rect);

enum class HookOutcome { Passed, Dropped };
enum class Visibility { Visible, Hidden };

class Trace final : public platform::DisplayObserver {
public:
    explicit Trace(TraceSink sink);

    // Gives one of the host's own views its name. The host makes its views while the trace is
    // not yet listening, so that they are never counted.
    void nameHostView(const platform::UIView* view, std::string name);
    // The view's name in the trace: a host view's name, else class and number.
    std::string viewName(const platform::UIView* view);

    void event(std::string_view text);
    void hook(std::string_view className, std::string_view selector, HookOutcome outcome);
    void ask(std::string_view className, std::string_view selector, bool answer);
    // A question answered with text, or with none.
    void askText(std::string_view className, std::string_view selector, const char* answer);
    void tell(std::string_view className, std::string_view selector);
    void backlight(double factor);
    void chargingView(Visibility visibility);
    void touch(platform::CGPoint point, const platform::UIView* receiver);
    void end();

    // The display toolkit's reports.
    void viewCreated(platform::UIView* view) override;
    void viewAttached(platform::UIView* view, platform::UIView* parent) override;
    void viewDetached(platform::UIView* view) override;
    void viewDestroyed(platform::UIView* view) override;
    void alphaChanged(platform::UIView* view, double alpha) override;
    void animationAdded(platform::CALayer* layer,
                        platform::CAKeyframeAnimation* animation) override;

private:
    void write(std::string_view kindAndFields);
    std::string& nameFor(const platform::UIView* view);

    TraceSink m_sink;
    // Names of live views. An entry leaves when its view is destroyed, so that a new view at
    // the same address is named afresh.
    std::map<const platform::UIView*, std::string> m_names;
    std::map<std::string, int, std::less<>> m_countByClass;
};

} // namespace velorin::sim
