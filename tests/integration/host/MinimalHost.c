/* A minimal host written in C: it limits its own address space, loads libvelorin.so with
 * dlopen (which runs the library's initializer) and calls every exported function. The device
 * root, named by VELORIN_DEVICE_ROOT, holds files that claim enormous sizes. The host must
 * survive all of it; it prints "survived" and exits 0, or names the call that went wrong.
 *
 *   MinimalHost LIBRARY ADDRESS_SPACE_MEBIBYTES SEQUENCE_DIRECTORY */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>

#include "integration/Velorin.h"

typedef void (*Action)(void);
typedef unsigned char* (*OptionsReader)(const char*, size_t*);
typedef float (*Presenter)(bool, bool);
typedef void (*ViewStarter)(VelorinRect, float, const char*, bool, bool);

static void* symbol(void* library, const char* name) {
    void* found = dlsym(library, name);
    if (!found) {
        fprintf(stderr, "no %s in the library\n", name);
        exit(3);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: MinimalHost LIBRARY ADDRESS_SPACE_MEBIBYTES SEQUENCE_DIRECTORY\n");
        return 2;
    }
    const char* directory = argv[3];
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = (rlim_t)strtoull(argv[2], NULL, 10) * 1024 * 1024;
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        perror("setrlimit");
        return 2;
    }

    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 3;
    }
    /* POSIX lets a function's address travel through dlsym's object pointer this way. */
    Action show, clear, resetIdle;
    OptionsReader readOptions;
    Presenter present;
    ViewStarter startView;
    *(void**)&show = symbol(library, "showVelorin");
    *(void**)&clear = symbol(library, "clearAnimationView");
    *(void**)&resetIdle = symbol(library, "resetIdleTimer");
    *(void**)&readOptions = symbol(library, "getBatteryAnimationData");
    *(void**)&present = symbol(library, "handleBatteryOptionsAndAnimate");
    *(void**)&startView = symbol(library, "callBatteryAnimationView");

    show();
    clear();
    resetIdle();
    size_t length = 1;
    unsigned char* options = readOptions(directory, &length);
    if (options || length != 0) {
        fprintf(stderr, "getBatteryAnimationData read an options file past its limit\n");
        return 1;
    }
    present(true, false);
    VelorinRect frame = {0, 0, 150, 150};
    startView(frame, 2.0f, directory, true, false);
    show();

    dlclose(library);
    printf("survived\n");
    return 0;
}
