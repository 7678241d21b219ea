// Lottie files made in code for the tests: a square in the middle of a transparent canvas whose
// fill changes colour at given frames (hold keyframes), so that a test can tell by one pixel
// which frame of the animation it sees.
#pragma once

#include "tests/tools/import/TestMedia.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

namespace velorin::testing {

struct ColourChange {
    // The animation's own frame number (counted as "ip" and "op" count) from which it shows.
    int frame{0};
    Color color;
};

struct SquareAnimation {
    double framesPerSecond{10};
    int inPoint{10};
    int outPoint{40};
    int width{100};
    int height{50};
    // The square's side, centred on the canvas.
    int side{20};
    std::vector<ColourChange> changes{{10, {255, 0, 0}}, {20, {0, 255, 0}}, {30, {0, 0, 255}}};

    nlohmann::ordered_json json() const;
    void write(const std::filesystem::path& path) const;
    // The colour shown at the animation's own frame `frame`.
    Color colorAt(int frame) const;
};

} // namespace velorin::testing
