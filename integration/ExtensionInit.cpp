#include "integration/ExtensionInit.h"

namespace velorin {

void initializeExtension() {}

} // namespace velorin
