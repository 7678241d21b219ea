#include "tools/import/BudgetFit.h"

#include "tools/import/EasedSampling.h"

#include <cmath>
#include <vector>

namespace velorin::tools {

namespace {

constexpr double scaleStep = 0.25;

std::optional<SequenceShape> shapeAt(const ShapeRequest& request, double framesPerSecond,
                                     double scale) {
    auto pixels = pixelSizeAt(request.box, scale);
    if (!pixels)
        return std::nullopt;
    int count = request.singleFrame ? 1 : frameCountForRun(request.runSeconds, framesPerSecond);
    return SequenceShape{count, *pixels, framesPerSecond, scale};
}

// The rates to try, highest first: the one asked for, then every whole rate below it down to
// the fallback's floor.
std::vector<double> ratesToTry(double asked) {
    std::vector<double> rates{asked};
    for (double rate = std::ceil(asked) - 1; rate >= lowestFallbackFramesPerSecond; --rate)
        rates.push_back(rate);
    return rates;
}

} // namespace

std::size_t SequenceShape::decodedBytes() const {
    return static_cast<std::size_t>(frameCount) * pixels.width * pixels.height * 4;
}

std::optional<BudgetFit> fitToBudget(const ShapeRequest& request, std::size_t budgetBytes) {
    auto asked = shapeAt(request, request.framesPerSecond, request.scale);
    if (!asked)
        return std::nullopt;
    BudgetFit fit{*asked, asked->decodedBytes() <= budgetBytes, false, false};
    if (fit.fits)
        return fit;
    if (!request.singleFrame) {
        for (double rate : ratesToTry(request.framesPerSecond)) {
            fit.shape = *shapeAt(request, rate, request.scale);
            fit.rateLowered = rate != request.framesPerSecond;
            if (fit.shape.decodedBytes() <= budgetBytes) {
                fit.fits = true;
                return fit;
            }
        }
    }
    double rate = fit.shape.framesPerSecond;
    for (double scale = request.scale - scaleStep; scale >= lowestFallbackScale - 1e-9;
         scale -= scaleStep) {
        fit.shape = *shapeAt(request, rate, scale);
        fit.scaleLowered = true;
        if (fit.shape.decodedBytes() <= budgetBytes) {
            fit.fits = true;
            return fit;
        }
    }
    return fit;
}

} // namespace velorin::tools
