// Loading the preference domain into the settings record.
#include "settings/Settings.h"
#include "tests/support/TemporaryDeviceRoot.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

using platform::PropertyKind;
using platform::PropertyValue;
using testing::PreferenceEntries;
using testing::PropertyListFormat;
using testing::TemporaryDeviceRoot;

class SettingsTest : public ::testing::Test {
protected:
    const Settings& load(const PreferenceEntries& entries,
                         PropertyListFormat format = PropertyListFormat::Xml) {
        root.writePreferences(preferenceDomain, entries, format);
        return reload();
    }
    const Settings& reload() {
        readSettings();
        return settings();
    }
    void expectDefaults(const Settings& loaded) {
        EXPECT_FALSE(loaded.enabled);
        EXPECT_EQ(loaded.sequenceName, "particlespin");
        EXPECT_FALSE(loaded.loop);
        EXPECT_FALSE(loaded.noSleep);
        EXPECT_FALSE(loaded.showOnWake);
        EXPECT_TRUE(loaded.hideBattery);
    }
    TemporaryDeviceRoot root;
};

TEST_F(SettingsTest, MissingMalformedOrNonDictionaryDomainsGiveEveryDefault) {
    expectDefaults(reload());
    root.writePreferenceFile(preferenceDomain, "<?xml version=\"1.0\"?><plist><dict><key>");
    expectDefaults(reload());
    root.writePreferenceFile(preferenceDomain, "bplist00\xff\xff garbage");
    expectDefaults(reload());
    root.writePreferenceFile(preferenceDomain,
                             "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>"
                             "<true/></array></plist>");
    expectDefaults(reload());
}

TEST_F(SettingsTest, ValuesOfAnUnexpectedKindFallBackToTheirDefaults) {
    const Settings& loaded =
        load({{"enablebatteryanimation", PropertyValue::ofKind(PropertyKind::Data)},
              {"batteryanimation", PropertyValue::integer(7)},
              {"loopbatteryanimation", PropertyValue::ofKind(PropertyKind::Array)},
              {"nosleepbatteryanimation", PropertyValue::ofKind(PropertyKind::Date)},
              {"hidebattery", PropertyValue::ofKind(PropertyKind::Dictionary)}});
    expectDefaults(loaded);
}

TEST_F(SettingsTest, AValueOfTheWrongKindFallsBackAloneAndTheOthersAreRead) {
    const Settings& loaded = load({{"enablebatteryanimation", PropertyValue::boolean(true)},
                                   {"batteryanimation", PropertyValue::ofKind(PropertyKind::Array)},
                                   {"loopbatteryanimation", PropertyValue::boolean(true)},
                                   {"hidebattery", PropertyValue::ofKind(PropertyKind::Data)}},
                                  PropertyListFormat::Binary);
    EXPECT_TRUE(loaded.enabled);
    EXPECT_EQ(loaded.sequenceName, "particlespin");
    EXPECT_TRUE(loaded.loop);
    EXPECT_TRUE(loaded.hideBattery);
}

TEST_F(SettingsTest, EmptyDomainGivesEveryDefault) {
    expectDefaults(load({}));
}

TEST_F(SettingsTest, StoredValuesAreReadInBothListFormats) {
    for (auto format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
        const Settings& loaded = load({{"enablebatteryanimation", PropertyValue::boolean(true)},
                                       {"batteryanimation", PropertyValue::string("Pulse Wave.v2")},
                                       {"loopbatteryanimation", PropertyValue::integer(2)},
                                       {"nosleepbatteryanimation", PropertyValue::real(0.5)},
                                       {"showbatteryanimationonwake", PropertyValue::boolean(true)},
                                       {"hidebattery", PropertyValue::boolean(false)}},
                                      format);
        EXPECT_TRUE(loaded.enabled);
        // The name is kept exactly: spaces, capitals and dots included.
        EXPECT_EQ(loaded.sequenceName, "Pulse Wave.v2");
        EXPECT_TRUE(loaded.loop);
        EXPECT_TRUE(loaded.noSleep);
        EXPECT_TRUE(loaded.showOnWake);
        EXPECT_FALSE(loaded.hideBattery);
    }
}

TEST_F(SettingsTest, NumbersAndStringsAreReadAsSwitches) {
    const Settings& loaded = load({{"enablebatteryanimation", PropertyValue::integer(0)},
                                   {"loopbatteryanimation", PropertyValue::string("YES")},
                                   {"nosleepbatteryanimation", PropertyValue::string("true")},
                                   {"showbatteryanimationonwake", PropertyValue::string("1")},
                                   {"hidebattery", PropertyValue::string("no")}});
    EXPECT_FALSE(loaded.enabled);
    EXPECT_TRUE(loaded.loop);
    EXPECT_TRUE(loaded.noSleep);
    EXPECT_TRUE(loaded.showOnWake);
    EXPECT_FALSE(loaded.hideBattery);
}

TEST_F(SettingsTest, EmptySequenceNameFallsBackToTheDefaultSequence) {
    EXPECT_EQ(load({{"batteryanimation", PropertyValue::string("")}}).sequenceName, "particlespin");
}

TEST_F(SettingsTest, KeysAreMatchedExactly) {
    const Settings& loaded = load({{"EnableBatteryAnimation", PropertyValue::boolean(true)},
                                   {"hidebattery ", PropertyValue::boolean(false)}});
    EXPECT_FALSE(loaded.enabled);
    EXPECT_TRUE(loaded.hideBattery);
}

TEST_F(SettingsTest, EveryLoadRewritesEveryField) {
    load({{"loopbatteryanimation", PropertyValue::boolean(true)},
          {"batteryanimation", PropertyValue::string("pulse")},
          {"hidebattery", PropertyValue::boolean(false)}});

    // A key removed between two loads gives its default again.
    const Settings& second = load({{"hidebattery", PropertyValue::boolean(false)}});
    EXPECT_FALSE(second.loop);
    EXPECT_EQ(second.sequenceName, "particlespin");
    EXPECT_FALSE(second.hideBattery);
}

TEST_F(SettingsTest, AnEditFromOutsideIsSeenAtTheNextLoad) {
    load({{"enablebatteryanimation", PropertyValue::boolean(false)}});
    root.writePreferences(preferenceDomain,
                          {{"enablebatteryanimation", PropertyValue::boolean(true)}},
                          PropertyListFormat::Binary);
    EXPECT_TRUE(reload().enabled);
}

} // namespace
} // namespace velorin
