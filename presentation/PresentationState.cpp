#include "presentation/PresentationState.h"

namespace velorin {

namespace presentation {

State& state() {
    static State current;
    return current;
}

} // namespace presentation

platform::UIView* containerView() {
    return presentation::state().container.get();
}

void setContainerView(platform::Ref<platform::UIView> container) {
    presentation::state().container = std::move(container);
}

AnimatedImageView* animationView() {
    return presentation::state().animationView.get();
}

bool keepAwakeActive() {
    return presentation::state().keepAwakeActive;
}

void resetPresentation() {
    presentation::state() = presentation::State{};
}

} // namespace velorin
