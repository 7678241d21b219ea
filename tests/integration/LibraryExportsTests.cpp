// libvelorin.so exports its entry points and nothing else of its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

TEST(LibraryExportsTest, OnlyTheEntryPointsAreVisible) {
    // Loading runs the initializer; in this process there is no host shell to wire into.
    void* library = dlopen(VELORIN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name : {"extensionInit", "showVelorin", "clearAnimationView", "resetIdleTimer",
                             "getBatteryAnimationData", "handleBatteryOptionsAndAnimate",
                             "callBatteryAnimationView", "_ZTVN7velorin17AnimatedImageViewE"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    // The settings, the replacements and their slots stay inside.
    for (const char* name : {"_ZN7velorin8settingsEv",
                             "_ZN7velorin15loadPreferencesEP22__CFNotificationCenterPvPKcPKvS6_",
                             "_ZN7velorin16installHookTableEv"})
        EXPECT_EQ(dlsym(library, name), nullptr) << name;
    dlclose(library);
}

} // namespace
