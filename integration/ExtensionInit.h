// Where the library enters the host process.
#pragma once

namespace velorin {

// The work of the load-time initializer: load the settings, and in the host shell install the
// hook table (when enabled) and subscribe to the settings notification.
void initializeExtension();

} // namespace velorin
