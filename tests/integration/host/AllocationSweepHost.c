/* A host written in C for the allocation-failure sweep (tests/support/allocation): it loads
 * the extension, which reads an XML preference list; builds the lock-screen container; reads a
 * binary list on the settings notification; builds the container again, plugs in, plays and
 * ends one showing, unplugs and unloads; then says what its page showed. Preloaded with the
 * sweep, it does all of that once for every allocation that can fail; without it, once. The
 * extension may fall back or do nothing, but a showing it started must end: a container still
 * shown after the showing's four seconds makes the host end with status 1.
 *
 *   AllocationSweepHost LIBRARY DEVICE_ROOT [careless]
 *
 * DEVICE_ROOT holds the preference domain as an XML list in lists/xml/ and as a binary list in
 * lists/bin/, and the sequence they choose. The host prints only with write(), so that its
 * own output needs no memory. A careless host uses one allocation of its own without checking
 * it, as a host that the sweep must catch. */
#include "tests/integration/host/HostKit.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void say(const char* text) {
    size_t left = strlen(text);
    while (left > 0) {
        ssize_t written = write(STDOUT_FILENO, text, left);
        if (written <= 0)
            return;
        text += written;
        left -= (size_t)written;
    }
}

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && strcmp(argv[3], "careless") == 0)) {
        say("usage: AllocationSweepHost LIBRARY DEVICE_ROOT [careless]\n");
        return 2;
    }
    if (hostKitSetUp(argv[2]) != 0) {
        say("the host could not be made\n");
        return 2;
    }

    /* The extension's initializer runs in here and reads the XML list. */
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        say("the extension did not load\n");
        return 0;
    }
    hostKitFinishLaunching();
    hostKitLock();

    hostKitUseBinaryList();
    if (hostKitPostPreferencesChanged() != 0)
        say("the settings notification could not be posted\n");
    if (hostKitRunFor(0) != 0)
        say("a queued block threw into the host\n");
    hostKitPresent();

    hostKitPlug();
    if (hostKitRunFor(5) != 0)
        say("a queued block threw into the host\n");
    int showingStayed = hostKitContainerVisible();
    if (showingStayed)
        say("the showing did not end\n");
    hostKitUnplug();
    if (hostKitRunFor(1) != 0)
        say("a queued block threw into the host\n");

    if (argc == 4) {
        volatile char* unchecked = malloc(16);
        unchecked[0] = 1;
        free((char*)unchecked);
    }

    char description[256];
    hostKitDescribe(description, sizeof description);
    say(description);
    dlclose(library);
    say("unloaded\n");
    return showingStayed ? 1 : 0;
}
