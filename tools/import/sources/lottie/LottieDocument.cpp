#include "tools/import/sources/lottie/LottieDocument.h"

#include "tools/common/JsonTextFault.h"
#include "tools/import/MediaSource.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

namespace velorin::tools {

namespace {

using Json = nlohmann::json;

// The highest frame rate taken: far above any motion-design tool's, low enough that a run's
// frame count stays a plain number.
constexpr double highestFramesPerSecond = 1000;

struct Members {
    bool isObject{false};
    bool hasVersion{false};
    bool hasLayers{false};
    std::optional<double> framesPerSecond, inPoint, outPoint, width, height;
    // The first image that lies in a file of its own: its folder and name as the text gives them.
    std::optional<std::string> externalImage;
};

// Follows the reader through the text, keeping only the members above.
class Inspector final : public nlohmann::json_sax<Json> {
public:
    Members members;
    std::optional<std::size_t> faultPosition;
    std::string faultReason;

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t number) override {
        return numberValue(static_cast<double>(number));
    }
    bool number_unsigned(number_unsigned_t number) override {
        return numberValue(static_cast<double>(number));
    }
    bool number_float(number_float_t number, const string_t&) override {
        return numberValue(number);
    }
    bool string(string_t& text) override {
        if (atTopLevel() && m_levels[0].key == "v")
            members.hasVersion = true;
        if (inAsset()) {
            if (m_levels[2].key == "p")
                m_assetName = text;
            else if (m_levels[2].key == "u")
                m_assetFolder = text;
        }
        return value();
    }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override {
        if (m_levels.empty())
            members.isObject = true;
        return enter(true);
    }
    bool key(string_t& name) override {
        m_levels.back().key = name;
        return true;
    }
    bool end_object() override {
        if (inAsset() && m_assetName && !m_assetName->starts_with("data:") &&
            !members.externalImage)
            members.externalImage = m_assetFolder.value_or("") + *m_assetName;
        if (m_levels.size() == 3) {
            m_assetName.reset();
            m_assetFolder.reset();
        }
        m_levels.pop_back();
        return value();
    }
    bool start_array(std::size_t) override {
        if (atTopLevel() && m_levels[0].key == "layers")
            members.hasLayers = true;
        return enter(false);
    }
    bool end_array() override {
        m_levels.pop_back();
        return value();
    }
    bool parse_error(std::size_t position, const std::string&,
                     const Json::exception& fault) override {
        faultPosition = position;
        faultReason = jsonFaultReason(fault);
        return false;
    }

    bool tooDeep() const { return m_tooDeep; }

private:
    struct Level {
        bool object{false};
        std::string key;
    };

    bool atTopLevel() const { return m_levels.size() == 1 && m_levels[0].object; }
    // Inside one object of the top level's "assets" array.
    bool inAsset() const {
        return m_levels.size() == 3 && m_levels[0].object && m_levels[0].key == "assets" &&
               !m_levels[1].object && m_levels[2].object;
    }
    bool enter(bool object) {
        if (m_levels.size() >= deepestLottieNesting) {
            m_tooDeep = true;
            return false;
        }
        m_levels.push_back({object, {}});
        return true;
    }
    bool value() { return true; }
    bool numberValue(double number) {
        if (atTopLevel()) {
            const std::string& name = m_levels[0].key;
            if (name == "fr")
                members.framesPerSecond = number;
            else if (name == "ip")
                members.inPoint = number;
            else if (name == "op")
                members.outPoint = number;
            else if (name == "w")
                members.width = number;
            else if (name == "h")
                members.height = number;
        }
        return value();
    }

    std::vector<Level> m_levels;
    std::optional<std::string> m_assetName;
    std::optional<std::string> m_assetFolder;
    bool m_tooDeep{false};
};

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

common::Fault notLottie(const std::string& path, const std::string& why) {
    return common::Fault{path, "is JSON but not a Lottie animation: " + why};
}

} // namespace

common::Result<LottieTiming> inspectLottieText(const std::string& path,
                                               std::span<const std::uint8_t> text) {
    Inspector inspector;
    Json::sax_parse(text.begin(), text.end(), &inspector);
    if (inspector.tooDeep())
        return common::Fault{path, "nests arrays and objects more than " +
                                       std::to_string(deepestLottieNesting) +
                                       " levels deep, more than import reads"};
    if (inspector.faultPosition) {
        TextPosition position = textPositionOf(text, *inspector.faultPosition);
        common::Fault fault{path, "is not valid JSON at column " + std::to_string(position.column) +
                                      ": " + inspector.faultReason};
        fault.line = static_cast<int>(position.line);
        return fault;
    }
    const Members& members = inspector.members;
    if (!members.isObject)
        return notLottie(path, "its top level is not an object");
    if (!members.hasVersion || !members.hasLayers)
        return notLottie(path, "it lacks the version \"v\" or the \"layers\" every Lottie file has");
    if (!members.framesPerSecond || !members.inPoint || !members.outPoint || !members.width ||
        !members.height)
        return notLottie(path, "it lacks one of \"fr\", \"ip\", \"op\", \"w\" and \"h\", which "
                               "time and size the animation");
    double rate = *members.framesPerSecond;
    if (!std::isfinite(rate) || rate <= 0 || rate > highestFramesPerSecond)
        return common::Fault{path, "has a frame rate \"fr\" of " + number(rate) +
                                       "; import takes a rate above 0 and up to " +
                                       number(highestFramesPerSecond)};
    double in = *members.inPoint;
    double out = *members.outPoint;
    if (!std::isfinite(in) || in < 0)
        return common::Fault{path, "has an in point \"ip\" of " + number(in) +
                                       "; import takes an in point from frame 0 on"};
    if (!std::isfinite(out) || out - in < 1)
        return common::Fault{path, "has no frame between its in point \"ip\" (" + number(in) +
                                       ") and its out point \"op\" (" + number(out) + ")"};
    if (out - in > static_cast<double>(maximumSourceFrames))
        return common::Fault{path,
                             "has more than " + std::to_string(maximumSourceFrames) + " frames"};
    double width = *members.width;
    double height = *members.height;
    if (!std::isfinite(width) || !std::isfinite(height) || width < 1 || height < 1)
        return common::Fault{path, "has no size (\"w\" " + number(width) + ", \"h\" " +
                                       number(height) + ")"};
    // A side beyond any canvas import takes is refused before it becomes an integer: a
    // conversion of a number larger than the integer can hold is undefined.
    if (width > maximumCanvasSide || height > maximumCanvasSide)
        return canvasTooLarge(path, number(width), number(height));
    TRY(checkCanvasSize(path, static_cast<std::uint64_t>(width),
                        static_cast<std::uint64_t>(height)));
    if (members.externalImage)
        return common::Fault{path, "takes the image \"" + *members.externalImage +
                                       "\" from a file of its own; import reads one file, so "
                                       "export the animation with its images embedded"};
    return LottieTiming{rate, in, out, static_cast<std::uint32_t>(width),
                        static_cast<std::uint32_t>(height)};
}

} // namespace velorin::tools
