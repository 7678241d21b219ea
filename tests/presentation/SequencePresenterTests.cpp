// Every showing's road through the sequence: the options read afresh, the view placed in the
// container, and a new view replacing the current one.
#include "presentation/PresentationState.h"
#include "presentation/SequencePresenter.h"
#include "tests/support/ExtensionFixture.h"

#include <filesystem>
#include <unistd.h>

namespace velorin {
namespace {

constexpr ScreenState lockedAndLit{.locked = true, .dim = false};

class SequencePresenterTest : public testing::ExtensionFixture {};

TEST_F(SequencePresenterTest, AnEscapingNameGivesABlankViewWithDefaultsAndReadsNothing) {
    using platform::PropertyValue;
    // Options that would move the view, one level above the sequence root.
    root.writeFile("var/jb/vod/Library/Velorin/options.json", R"({"x": 1, "y": 2})");
    auto& host = start(testing::enabledWith({{"batteryanimation", PropertyValue::string("..")}}));
    host.updatePagePresentation();
    host.changePower(true);
    ASSERT_NE(animationView(), nullptr);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));
    EXPECT_EQ(animationView()->imagesPath(), std::nullopt);
}

TEST_F(SequencePresenterTest, ANameWithSlashesThatStaysInsidePlaysThatFolder) {
    using platform::PropertyValue;
    const std::string sequences = "var/jb/vod/Library/Velorin/chargingSequences/";
    root.writeFile(sequences + "alpha/options.json", R"({"x": 11})");
    root.writeFile(sequences + "set/alpha/options.json", R"({"x": 22})");
    struct Case {
        std::string name;
        float x;
    };
    for (const Case& named : {Case{"alpha/", 11}, Case{"./alpha", 11}, Case{"set/alpha", 22},
                              Case{"/set//alpha", 22}}) {
        auto& host =
            start(testing::enabledWith({{"batteryanimation", PropertyValue::string(named.name)}}));
        host.updatePagePresentation();
        host.changePower(true);
        ASSERT_NE(animationView(), nullptr) << named.name;
        EXPECT_EQ(animationView()->frame().origin.x, named.x) << named.name;
        EXPECT_EQ(animationView()->imagesPath(), sequences + named.name + "/");
    }
}

TEST_F(SequencePresenterTest, OptionsAreReadAfreshAndPlaceTheViewInTheContainer) {
    using platform::PropertyValue;
    auto& host = start(testing::enabledWith({{"batteryanimation", PropertyValue::string("dots")}}));
    host.updatePagePresentation();
    const char* options = "var/jb/vod/Library/Velorin/chargingSequences/dots/options.json";
    root.writeFile(options, R"({"width": 100, "x": "right", "animationDuration": 1.5})");
    EXPECT_EQ(handleBatteryOptionsAndAnimate(lockedAndLit), 1.5f);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(300, 630, 100, 150));
    EXPECT_EQ(animationView()->animationDuration(), 1.5);
    root.writeFile(options, "{}");
    platform::Ref<AnimatedImageView> first(animationView());
    handleBatteryOptionsAndAnimate(lockedAndLit);
    // The second view replaces the first: one view in the container.
    EXPECT_EQ(first->superview(), nullptr);
    EXPECT_EQ(containerView()->subviews().size(), 1u);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));
    // Not locked, or dim: the options are read, and the current view is left alone.
    handleBatteryOptionsAndAnimate({.locked = false, .dim = false});
    handleBatteryOptionsAndAnimate({.locked = true, .dim = true});
    EXPECT_EQ(containerView()->subviews().front().get(), animationView());
}

TEST_F(SequencePresenterTest, OptionsFileThatCannotBeReadGivesTheDefaultPlacement) {
    using platform::PropertyValue;
    auto& host = start(testing::enabledWith({{"batteryanimation", PropertyValue::string("dots")}}));
    host.updatePagePresentation();
    const std::string options = "var/jb/vod/Library/Velorin/chargingSequences/dots/options.json";
    root.makeFolder(options);
    EXPECT_EQ(handleBatteryOptionsAndAnimate(lockedAndLit), 2.0f);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));

    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not stop reads by the superuser";
    std::filesystem::remove(root.hostPath(options));
    root.writeFile(options, R"({"x": 1, "animationDuration": 3})");
    std::filesystem::permissions(root.hostPath(options), std::filesystem::perms::none);
    EXPECT_EQ(handleBatteryOptionsAndAnimate(lockedAndLit), 2.0f);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));
}

} // namespace
} // namespace velorin
