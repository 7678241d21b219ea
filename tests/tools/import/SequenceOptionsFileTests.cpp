// The options file an import writes: every member the extension reads, in the extension's own
// names and words, placing the animation where the extension then puts it.
#include "sequences/SequenceOptions.h"
#include "sequences/SequencePlacement.h"
#include "tools/import/SequenceOptionsFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

namespace velorin::tools {
namespace {

TEST(ImportOptionsFile, EveryMemberTheExtensionReadsIsWrittenAndPlacesAsAsked) {
    Placement placement{{HorizontalPlace::Kind::Right, 0}, {VerticalPlace::Kind::Bottom, 0}, 8, 12};
    std::string text = sequenceOptionsText(PointBox{150, 100}, 2.5, placement);
    auto written = nlohmann::json::parse(text);
    std::set<std::string> keys;
    for (const auto& [key, value] : written.items())
        keys.insert(key);
    // A member added to what the extension reads and not to the writer fails here.
    EXPECT_EQ(keys, std::set<std::string>(optionsMemberNames.begin(), optionsMemberNames.end()));
    EXPECT_EQ(written[optionsMember::x], rightWord);
    EXPECT_EQ(written[optionsMember::y], bottomWord);

    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    SequencePlacement read = computePlacement(std::span<const std::uint8_t>(bytes), 390, 844);
    EXPECT_FLOAT_EQ(read.width, 150);
    EXPECT_FLOAT_EQ(read.height, 100);
    EXPECT_FLOAT_EQ(read.animationDuration, 2.5);
    EXPECT_FLOAT_EQ(read.x, 390 - 150 - 8);
    EXPECT_FLOAT_EQ(read.y, 844 - 100 - 12);

    // The words the options take are the words the command line takes.
    EXPECT_EQ(parseHorizontalPlace(centerWord)->kind, HorizontalPlace::Kind::Center);
    EXPECT_EQ(parseHorizontalPlace(rightWord)->kind, HorizontalPlace::Kind::Right);
    EXPECT_EQ(parseVerticalPlace(bottomWord)->kind, VerticalPlace::Kind::Bottom);
    EXPECT_FALSE(parseVerticalPlace(rightWord));
}

} // namespace
} // namespace velorin::tools
