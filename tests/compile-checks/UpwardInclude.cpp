// Compiled with the sequence layer's include path: its own headers and those below are found;
// a header of a layer above is not.
#include "host/HostShell.h"
#include "sequences/SequencePlacement.h"

#ifdef VELORIN_COMPILE_CHECK_FAULT
#include "presentation/PresentationState.h"
#endif

int main() {
    return 0;
}
