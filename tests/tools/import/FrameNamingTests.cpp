// The frame names an import writes play in frame order on the device, for every sequence
// length from 1 to 9,999 frames and whichever name the folder lists first.
#include "sequences/FrameOrdering.h"
#include "tools/import/SequenceFrameNames.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace velorin::tools {
namespace {

// The device takes the window's place and width from the first listed name, then orders by the
// number in each name's window. For names that play in order whichever is listed first, every
// name must give the same window, and the windows must read 1 to `count` in frame order.
void expectPlaysInOrder(int count) {
    SCOPED_TRACE(count);
    std::vector<std::string> names;
    for (int index = 0; index < count; ++index)
        names.push_back(sequenceFrameName(index, count));
    for (int index = 0; index < count; ++index) {
        ASSERT_EQ(findPrefixLength(names[index]), 5) << names[index];
        ASSERT_EQ(numberWindow(names[index], 5).sortKey, index + 1) << names[index];
    }
    // And the device's own ordering agrees, with the last, the middle or a random name first.
    std::vector<std::string> listing(names.rbegin(), names.rend());
    std::mt19937 shuffle(static_cast<unsigned>(count));
    for (int trial = 0; trial < 3; ++trial) {
        if (trial == 1)
            std::swap(listing.front(), listing[listing.size() / 2]);
        if (trial == 2)
            std::shuffle(listing.begin(), listing.end(), shuffle);
        ASSERT_EQ(sortArrayByNumbersInString(listing), names);
    }
}

TEST(ImportFrameNaming, EveryLengthUpToNineThousandNineHundredNinetyNinePlaysInOrder) {
    // Each length's names in full, wherever their width could change.
    for (int count : {1, 2, 9, 10, 11, 99, 100, 101, 999, 1000, 1001, 9998, 9999})
        expectPlaysInOrder(count);
    // Every length: a name is the same whatever the length, up to 9,999 frames, so the full
    // check of 9,999 names above covers every shorter sequence's names as well.
    std::vector<std::string> longest;
    for (int index = 0; index < 9999; ++index)
        longest.push_back(sequenceFrameName(index, 9999));
    for (int count = 1; count <= 9999; ++count) {
        ASSERT_EQ(sequenceFrameName(count - 1, count), longest[count - 1]) << count;
        ASSERT_EQ(sequenceFrameName(0, count), longest[0]) << count;
        ASSERT_EQ(sequenceFrameName(count / 2, count), longest[count / 2]) << count;
    }
    EXPECT_EQ(sequenceFrameName(0, 1), "frame0001.png");
    expectPlaysInOrder(mostSequenceFrames);
}

} // namespace
} // namespace velorin::tools
