#include "tests/tools/import/sources/lottie/LottieTestFile.h"

#include <fstream>

namespace velorin::testing {

namespace {

// Ordered as motion-design tools write them: rlottie reads a shape's kind ("ty") first.
using Json = nlohmann::ordered_json;

Json still(Json value) {
    return {{"a", 0}, {"k", std::move(value)}};
}

} // namespace

nlohmann::ordered_json SquareAnimation::json() const {
    Json keyframes = Json::array();
    for (const ColourChange& change : changes)
        keyframes.push_back({{"t", change.frame},
                             {"s",
                              {change.color.red / 255.0, change.color.green / 255.0,
                               change.color.blue / 255.0, 1}},
                             {"h", 1}});
    Json transform{{"o", still(100)},
                   {"r", still(0)},
                   {"p", still({0, 0})},
                   {"a", still({0, 0})},
                   {"s", still({100, 100})}};
    Json square{{"ty", "rc"},
                {"d", 1},
                {"p", still({width / 2.0, height / 2.0})},
                {"s", still({side, side})},
                {"r", still(0)}};
    Json fill{{"ty", "fl"}, {"o", still(100)}, {"c", {{"a", 1}, {"k", keyframes}}}};
    Json layer{{"ty", 4},   {"ind", 1},        {"ip", inPoint},
               {"op", outPoint}, {"st", 0}, {"ks", transform}, {"shapes", {square, fill}}};
    return {{"v", "5.7.0"}, {"fr", framesPerSecond}, {"ip", inPoint}, {"op", outPoint},
            {"w", width},   {"h", height},           {"layers", {layer}}};
}

void SquareAnimation::write(const std::filesystem::path& path) const {
    std::ofstream(path) << json().dump(1);
}

Color SquareAnimation::colorAt(int frame) const {
    Color shown = changes.front().color;
    for (const ColourChange& change : changes) {
        if (change.frame <= frame)
            shown = change.color;
    }
    return shown;
}

} // namespace velorin::testing
