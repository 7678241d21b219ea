// A reference to a base class converts to one of a derived class only through an explicit
// cast; the implicit conversion goes the other way alone.
#include "platform/display/View.h"

int main() {
    platform::Ref<platform::UIView> view = platform::UIView::initWithFrame({});
    platform::Ref<platform::Object> object = view;
#ifdef VELORIN_COMPILE_CHECK_FAULT
    platform::Ref<platform::UIView> implicitDowncast = object;
#endif
    platform::Ref<platform::UIView> explicitDowncast =
        platform::staticCast<platform::UIView>(object);
    return explicitDowncast == view ? 0 : 1;
}
