// A fixture for tests that run the extension in-process against the fake host: a temporary
// device root, the host, and a way to start the extension with given preferences.
#pragma once

#include "tests/support/FakeHost.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace velorin::testing {

class ExtensionFixture : public ::testing::Test {
protected:
    ExtensionFixture();
    ~ExtensionFixture() override;

    // Makes the host (without the given classes), writes the preferences and runs the
    // extension's load-time set-up, as the loader would.
    FakeHost& start(const PreferenceEntries& preferences, std::set<std::string> lacked = {});
    // Writes the preferences and posts the settings notification, then lets it be delivered.
    void changePreferences(const PreferenceEntries& preferences);
    FakeHost& host() { return *m_host; }

    TemporaryDeviceRoot root;

private:
    std::unique_ptr<FakeHost> m_host;
};

// Preferences that enable the extension, plus any others.
PreferenceEntries enabledWith(PreferenceEntries others = {});

} // namespace velorin::testing
