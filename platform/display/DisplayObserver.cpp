// The display observer and the live counts of views, layers and animations.

#include "platform/display/DisplayBookkeeping.h"
#include "platform/display/View.h"

namespace platform {

namespace {

DisplayObserver* currentObserver = nullptr;
ViewStatistics liveObjects;

void adjust(std::size_t& counter, int change) {
    if (change < 0 && counter < static_cast<std::size_t>(-change))
        counter = 0;
    else
        counter = static_cast<std::size_t>(static_cast<long long>(counter) + change);
}

} // namespace

void setDisplayObserver(DisplayObserver* observer) {
    currentObserver = observer;
}

DisplayObserver* displayObserver() {
    return currentObserver;
}

ViewStatistics viewStatistics() {
    return liveObjects;
}

namespace display {

void countView(int change) {
    adjust(liveObjects.liveViews, change);
}

void countLayer(int change) {
    adjust(liveObjects.liveLayers, change);
}

void countAnimation(int change) {
    adjust(liveObjects.liveAnimations, change);
}

} // namespace display

} // namespace platform
