// Timing functions: the cubic Bézier curves that pace an animation's progress.
//
// x(t) and y(t) are the curve's coordinates for the curve parameter t in [0, 1]. For a
// progress p we find the t with x(t) = p and answer y(t). Newton's method converges in a few
// steps on the usual curves; where the slope is flat (x control points at 0 or 1) it can stall,
// so a bisection, which always converges because x is monotonic on [0, 1], finishes the job.

#include "platform/display/Layer.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// The coefficients of a one-dimensional cubic Bézier from 0 to 1 with inner points a and b.
struct Cubic {
    double c3, c2, c1;
    Cubic(double a, double b) : c3(1 + 3 * a - 3 * b), c2(3 * b - 6 * a), c1(3 * a) {}
    double at(double t) const { return ((c3 * t + c2) * t + c1) * t; }
    double slope(double t) const { return (3 * c3 * t + 2 * c2) * t + c1; }
};

constexpr double solveTolerance = 1e-12;

double solveForParameter(const Cubic& x, double progress) {
    double t = progress;
    for (int step = 0; step < 8; ++step) {
        double error = x.at(t) - progress;
        if (std::fabs(error) < solveTolerance)
            return t;
        double slope = x.slope(t);
        if (std::fabs(slope) < 1e-6)
            break;
        t -= error / slope;
        if (t < 0 || t > 1)
            break;
    }
    double low = 0, high = 1;
    t = progress;
    for (int step = 0; step < 64; ++step) {
        double value = x.at(t);
        if (std::fabs(value - progress) < solveTolerance)
            return t;
        if (value < progress)
            low = t;
        else
            high = t;
        t = (low + high) / 2;
    }
    return t;
}

} // namespace

CAMediaTimingFunction CAMediaTimingFunction::functionWithName(const std::string& name) {
    if (name == kCAMediaTimingFunctionEaseIn)
        return withControlPoints(0.42, 0, 1, 1);
    if (name == kCAMediaTimingFunctionEaseOut)
        return withControlPoints(0, 0, 0.58, 1);
    if (name == kCAMediaTimingFunctionEaseInEaseOut)
        return withControlPoints(0.42, 0, 0.58, 1);
    if (name == kCAMediaTimingFunctionDefault)
        return withControlPoints(0.25, 0.1, 0.25, 1);
    return {};
}

CAMediaTimingFunction CAMediaTimingFunction::withControlPoints(double x1, double y1, double x2,
                                                               double y2) {
    CAMediaTimingFunction function;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return function;
    function.m_x1 = std::clamp(x1, 0.0, 1.0);
    function.m_y1 = y1;
    function.m_x2 = std::clamp(x2, 0.0, 1.0);
    function.m_y2 = y2;
    return function;
}

CGPoint CAMediaTimingFunction::controlPoint(int index) const {
    switch (index) {
    case 1:
        return {m_x1, m_y1};
    case 2:
        return {m_x2, m_y2};
    case 3:
        return {1, 1};
    default:
        return {0, 0};
    }
}

double CAMediaTimingFunction::evaluate(double progress) const {
    if (std::isnan(progress) || progress <= 0)
        return 0;
    if (progress >= 1)
        return 1;
    // Control points on the diagonal make the curve the diagonal itself.
    if (m_x1 == m_y1 && m_x2 == m_y2)
        return progress;
    Cubic x(m_x1, m_x2);
    Cubic y(m_y1, m_y2);
    return y.at(solveForParameter(x, progress));
}

} // namespace platform
