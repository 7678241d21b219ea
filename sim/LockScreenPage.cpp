#include "sim/LockScreenPage.h"

namespace velorin::sim {

LockScreenPage::LockScreenPage(Class pageViewClass, platform::CGSize screen)
    : m_page(
          platform::UIView::initWithFrame(platform::CGRectMake(0, 0, screen.width, screen.height))),
      m_chargingView(platform::UIView::initWithFrame(platform::CGRectMake(
          screen.width / 2 - hostChargingViewSide / 2, screen.height / 2 - hostChargingViewSide / 2,
          hostChargingViewSide, hostChargingViewSide))) {
    // A host without the page view class still has a page: a plain view.
    if (pageViewClass)
        m_page->setIsa(pageViewClass);
    m_page->setBackgroundColor(platform::UIColor::blackColor());
    // The host's battery view is drawn as a plain green square, enough to see where it is.
    m_chargingView->setBackgroundColor(platform::UIColor{0.2, 0.8, 0.3, 1});
    m_chargingView->setHidden(true);
    m_page->addSubview(m_chargingView.get());
}

LockScreenPage::~LockScreenPage() = default;

bool LockScreenPage::setChargingViewVisible(bool visible) {
    if (isChargingViewVisible() == visible)
        return false;
    m_chargingView->setHidden(!visible);
    return true;
}

platform::UIView* LockScreenPage::viewAtPoint(platform::CGPoint point) const {
    return m_page->hitTest(point);
}

} // namespace velorin::sim
