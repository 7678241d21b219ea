// Fitting an imported sequence into the memory a showing may spend on decoded frames.
//
// The device decodes every frame before a run starts, at width × height × 4 bytes a frame, and
// a showing may spend at most `showingMemoryBudgetBytes` on them. When the sequence asked for
// would pass that, its frame rate is lowered first (down to 15 frames a second), then its
// scale (down to 2 pixels a point), until it fits. What cannot be fitted that way is left to
// the user, with the numbers.
#pragma once

#include "tools/import/FrameBox.h"

#include <cstddef>
#include <optional>

namespace velorin::tools {

inline constexpr double lowestFallbackFramesPerSecond = 15;
inline constexpr double lowestFallbackScale = 2;

struct SequenceShape {
    int frameCount{0};
    PixelSize pixels;
    double framesPerSecond{0};
    double scale{0};
    // What the device decodes for the whole sequence.
    std::size_t decodedBytes() const;
};

struct ShapeRequest {
    PointBox box;
    double runSeconds{0};
    double framesPerSecond{0};
    double scale{importScale};
    // A still source: one frame, whatever the rate.
    bool singleFrame{false};
};

struct BudgetFit {
    // The shape that fits; when nothing fits, the smallest one tried.
    SequenceShape shape;
    bool fits{false};
    bool rateLowered{false};
    bool scaleLowered{false};
};

// None when the box has no pixel size at the asked scale (a side too large).
std::optional<BudgetFit> fitToBudget(const ShapeRequest& request, std::size_t budgetBytes);

} // namespace velorin::tools
