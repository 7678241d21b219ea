// Compiled with the sequence layer's include path: the settings layer is its sibling, not a
// layer below it, so its headers are not found.
#include "sequences/FrameOrdering.h"

#ifdef VELORIN_COMPILE_CHECK_FAULT
#include "settings/Settings.h"
#endif

int main() {
    return 0;
}
