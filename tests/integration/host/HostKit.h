/* A host shell for hosts written in C: the host's classes, their one instance each and the
 * lock-screen page, made with the platform's runtime over a little device state, and the
 * host's events as C functions.
 *
 * Everything the events need is made by hostKitSetUp, so that the events themselves allocate
 * nothing of the host's own: a host swept for allocation failures then fails only in what the
 * extension and the platform do for it. No function lets a C++ exception out; one that cannot
 * do its work says so by its result. */
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Registers the modern profile's host classes, builds the 390 x 844 page and takes
 * DEVICE_ROOT as the device's "/". The preference domain is read from DEVICE_ROOT/lists/xml
 * until hostKitUseBinaryList. Gives 0, or -1 when the host could not be made. */
int hostKitSetUp(const char* deviceRoot);

/* The host's events, each through the runtime, so that what the extension interposes runs. */
void hostKitFinishLaunching(void);
/* Locks and presents the page. */
void hostKitLock(void);
void hostKitPresent(void);
void hostKitPlug(void);
void hostKitUnplug(void);

/* From now on the preference domain is read from DEVICE_ROOT/lists/bin. */
void hostKitUseBinaryList(void);
/* Posts the settings-changed notification. Gives 0, or -1 when the center could not post. */
int hostKitPostPreferencesChanged(void);
/* Runs the main queue forward by SECONDS of virtual time. Gives 0, or -1 when a queued block
 * threw into the host. */
int hostKitRunFor(double seconds);

/* Whether the page holds the extension's container with an opacity above zero. */
int hostKitContainerVisible(void);

/* What the page has shown since set-up, as one line: views the extension attached, the
 * container's opacity changes, the keyframe animations and their frame counts. */
void hostKitDescribe(char* buffer, size_t size);

#ifdef __cplusplus
}
#endif
