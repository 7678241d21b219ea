// libvelorin.so exports its entry points and nothing else of its own, and the C entry points
// keep their contract for outside callers.
#include "integration/Velorin.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <cstdlib>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string_view>

namespace velorin {
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
    for (const char* name :
         {"_ZN7velorin8settingsEv", "_ZN7velorin15loadPreferencesEv", "_ZN7velorin12readSettingsEv",
          "_ZN7velorin11showVelorinEv", "_ZN7velorin16installHookTableEv"})
        EXPECT_EQ(dlsym(library, name), nullptr) << name;
    dlclose(library);
}

TEST(LibraryExportsTest, OptionsBytesAreACopyTheCallerFrees) {
    testing::TemporaryDeviceRoot root;
    size_t length = 99;
    EXPECT_EQ(getBatteryAnimationData("seq/", &length), nullptr);
    EXPECT_EQ(length, 0u);
    root.writeFile("seq/options.json", "");
    unsigned char* empty = getBatteryAnimationData("seq/", &length);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(length, 0u);
    std::free(empty);
    root.writeFile("seq/options.json", "{}");
    unsigned char* bytes = getBatteryAnimationData("seq/", &length);
    ASSERT_EQ(length, 2u);
    EXPECT_EQ(std::string_view(reinterpret_cast<char*>(bytes), 2), "{}");
    std::free(bytes);
}

} // namespace
} // namespace velorin
