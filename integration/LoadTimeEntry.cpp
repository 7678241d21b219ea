// The library's one load-time initializer. It lives apart from the rest of the extension so
// that only libvelorin.so runs it when the loader brings the library in; the test programs
// link the same code without it.
#include "integration/ExtensionInit.h"
#include "platform/Export.h"

extern "C" VELORIN_EXPORT __attribute__((constructor)) void extensionInit() {
    velorin::initializeExtension();
}
