// A charging sequence whose files are damaged still shows: the view takes the default place,
// plays the frames that decode, and the showings end and repeat as usual.
#include "presentation/PresentationState.h"
#include "tests/support/ExtensionFixture.h"
#include "tests/support/FrameImages.h"

namespace velorin {
namespace {

using platform::PropertyValue;
using testing::advanceSeconds;
using testing::enabledWith;

class DamagedSequenceTest : public testing::ExtensionFixture {
protected:
    static constexpr const char* folder = "var/jb/vod/Library/Velorin/chargingSequences/worn/";

    // How many frames the current view plays.
    static std::size_t playedFrames() {
        if (!animationView() || animationView()->subviews().size() != 1)
            return 0;
        auto* animation =
            animationView()->subviews().front()->layer()->animationForKey("animation");
        return animation ? animation->values().size() : 0;
    }
};

TEST_F(DamagedSequenceTest, ShowsTheFramesThatDecodeAtTheDefaultPlaceAndRepeats) {
    std::string base = folder;
    root.writeFile(base + "options.json", std::string_view("{\"width\": 300, \"x\": \"right\""));
    root.writeFile(base + "frame1.png", testing::solidPng(4, 4, 10));
    auto truncated = testing::solidPng(4, 4, 20);
    truncated.resize(truncated.size() - 20);
    root.writeFile(base + "frame2.png", truncated);
    root.writeFile(base + "frame3.png", std::string_view("GIF89a"));
    root.makeFolder(base + "frame4.png");
    root.writeFile(base + "frame5.png", testing::solidPng(4, 4, 50));

    auto& host = start(enabledWith({{"batteryanimation", PropertyValue::string("worn")},
                                    {"loopbatteryanimation", PropertyValue::boolean(true)}}));
    host.updatePagePresentation();
    host.changePower(true);
    ASSERT_NE(animationView(), nullptr);
    EXPECT_EQ(animationView()->frame(), platform::CGRectMake(125, 630, 150, 150));
    EXPECT_EQ(animationView()->animationDuration(), 2.0);
    EXPECT_EQ(playedFrames(), 2u);

    // The next showing reads the folder afresh and plays again.
    platform::Ref<AnimatedImageView> first(animationView());
    advanceSeconds(4);
    ASSERT_NE(animationView(), nullptr);
    EXPECT_NE(animationView(), first.get());
    EXPECT_EQ(playedFrames(), 2u);
    EXPECT_EQ(containerView()->alpha(), 1.0);

    host.changePower(false);
    EXPECT_EQ(animationView(), nullptr);
    EXPECT_EQ(containerView()->alpha(), 0.0);
}

} // namespace
} // namespace velorin
