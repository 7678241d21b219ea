// The library's one load-time initializer. It lives apart from the rest of the extension so
// that only libvelorin.so runs it when the loader brings the library in; the test programs
// link the same code without it.
#include "host/Boundary.h"
#include "integration/ExtensionInit.h"
#include "platform/Export.h"

// A throw out of a library's initializer would stop the host inside the loader, at every
// launch; a failure here leaves the extension unwired instead.
extern "C" VELORIN_EXPORT __attribute__((constructor)) void extensionInit() noexcept {
    velorin::atBoundary([] { velorin::initializeExtension(); });
}
