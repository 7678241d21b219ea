/* Symbol visibility. Everything is built hidden; what a library offers to the programs that
 * load it (the platform's stand-ins, the extension's entry points and its view class) is
 * marked with VELORIN_EXPORT. Plain C, so that the extension's C header can use it. */
#pragma once

#define VELORIN_EXPORT __attribute__((visibility("default")))
