/* The functions libvelorin.so exports, as C functions. Everything runs on the host's main
 * thread; none of them reports a failure, they fall back or do nothing instead. */
#pragma once

#include "platform/Export.h"

#include <stdbool.h>
#include <stddef.h>

/* To C++ callers the functions promise not to throw. */
#ifdef __cplusplus
#define VELORIN_NOTHROW noexcept
extern "C" {
#else
#define VELORIN_NOTHROW
#endif

/* A rectangle in points: origin and size, y measured downward. */
typedef struct VelorinRect {
    double x;
    double y;
    double width;
    double height;
} VelorinRect;

/* Decides on a host event whether to show the charging animation or clear it. */
VELORIN_EXPORT void showVelorin(void) VELORIN_NOTHROW;
/* Stops and removes the current animated view, if there is one. */
VELORIN_EXPORT void clearAnimationView(void) VELORIN_NOTHROW;
/* Restarts the host's idle countdown through the interface that fits its system version. */
VELORIN_EXPORT void resetIdleTimer(void) VELORIN_NOTHROW;

/* The bytes of DIRECTORY followed by "options.json", or NULL when the file cannot be read.
 * *length receives their count. The caller releases the bytes with free(). */
VELORIN_EXPORT unsigned char* getBatteryAnimationData(const char* directory,
                                                      size_t* length) VELORIN_NOTHROW;
/* Reads the chosen sequence's options, places a new animated view and starts it when the
 * device is locked and the screen is not dim. Gives the run length it used. */
VELORIN_EXPORT float handleBatteryOptionsAndAnimate(bool locked, bool dim) VELORIN_NOTHROW;
/* Replaces the current animated view with a new one in the container and starts it, when
 * locked is true and dim is false. A NULL directory names no sequence: the view stays blank. */
VELORIN_EXPORT void callBatteryAnimationView(VelorinRect frame, float duration,
                                             const char* directory, bool locked,
                                             bool dim) VELORIN_NOTHROW;

#ifdef __cplusplus
}
#endif
