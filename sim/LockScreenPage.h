// The lock screen's main page as the host shell builds it: the page view, an instance of the
// host's page view class (a plain view when the host lacks that class) covering the screen,
// and the host's own charging view on it.
//
// The host's charging view is a child of the page from the start and is shown and hidden
// with its hidden switch, never removed, so that showing it changes nothing in the view tree
// but that switch. Views the extension adds to the page go above it.
#pragma once

#include "platform/display/View.h"

namespace velorin::sim {

inline constexpr const char* pageViewName = "page";
inline constexpr const char* hostChargingViewName = "host-charging";
inline constexpr double hostChargingViewSide = 160;

class LockScreenPage {
public:
    LockScreenPage(Class pageViewClass, platform::CGSize screen);
    ~LockScreenPage();
    LockScreenPage(const LockScreenPage&) = delete;
    LockScreenPage& operator=(const LockScreenPage&) = delete;

    platform::UIView* view() const { return m_page.get(); }
    platform::UIView* chargingView() const { return m_chargingView.get(); }
    bool isChargingViewVisible() const { return !m_chargingView->isHidden(); }
    // Answers whether the charging view's visibility changed.
    bool setChargingViewVisible(bool visible);

    // The view that takes a touch at a point of the page, or none outside it.
    platform::UIView* viewAtPoint(platform::CGPoint point) const;

private:
    platform::Ref<platform::UIView> m_page;
    platform::Ref<platform::UIView> m_chargingView;
};

} // namespace velorin::sim
