// Symbol visibility for the platform library. Everything is built hidden; the stand-ins
// that the extension and the simulated host call on are exported with PLATFORM_API.
#pragma once

#define PLATFORM_API __attribute__((visibility("default")))
