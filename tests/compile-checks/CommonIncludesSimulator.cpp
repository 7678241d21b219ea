// Compiled with the common kit's include path: its own headers and the platform's are found; a
// header of the simulated host, which stands above the kit, is not.
#include "common/Result.h"
#include "platform/RootedPath.h"

#ifdef VELORIN_COMPILE_CHECK_FAULT
#include "sim/SimulatedHost.h"
#endif

int main() {
    return velorin::common::Result<void>().ok() ? 0 : 1;
}
