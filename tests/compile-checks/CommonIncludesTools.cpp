// Compiled with the common kit's include path: a header of the tools, which stand above the kit,
// is not found.
#include "common/WholeOutput.h"

#ifdef VELORIN_COMPILE_CHECK_FAULT
#include "tools/common/FaultReport.h"
#endif

int main() {
    return 0;
}
