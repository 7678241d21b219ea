#include "samples/generator/SampleSequences.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace velorin::samples {

namespace {

constexpr float fullTurn = 2.0f * std::numbers::pi_v<float>;

Color mix(Color from, Color to, float amount) {
    return {from.red + (to.red - from.red) * amount, from.green + (to.green - from.green) * amount,
            from.blue + (to.blue - from.blue) * amount,
            from.alpha + (to.alpha - from.alpha) * amount};
}

Color withAlpha(Color color, float alpha) {
    color.alpha = alpha;
    return color;
}

// Soft particles chase each other round a faint ring; each leaves a short, fading trail. One
// run turns the ring by one particle spacing, so the run loops without a jump.
void drawParticleSpin(Canvas& canvas, float phase) {
    constexpr int particleCount = 8;
    constexpr int trailLength = 4;
    const Point centre{canvas.width() * 0.5f, canvas.height() * 0.5f};
    const float radius = canvas.width() * 0.33f;
    const Color cool{0.35f, 0.85f, 1.0f, 1.0f};
    const Color warm{0.75f, 0.45f, 1.0f, 1.0f};

    canvas.strokeRing(centre, radius, 2.0f, Color{1.0f, 1.0f, 1.0f, 0.18f});
    canvas.fillDisc(centre, radius * 0.18f, withAlpha(cool, 0.35f), radius * 0.25f);
    for (int particle = 0; particle < particleCount; ++particle) {
        float share = static_cast<float>(particle) / particleCount;
        Color color = mix(cool, warm, share);
        for (int step = trailLength; step >= 0; --step) {
            float angle = fullTurn * (share + phase / particleCount) - 0.09f * step;
            Point at{centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)};
            float fade = 1.0f - static_cast<float>(step) / (trailLength + 1);
            canvas.fillDisc(at, 2.0f + 3.0f * fade, withAlpha(color, 0.85f * fade), 4.0f);
        }
    }
}

// A battery outline fills up from empty to full, its colour going from red through amber to
// green, with a lightning bolt over it; the last fifth of the run holds it full.
void drawBattery(Canvas& canvas, float phase) {
    const float width = static_cast<float>(canvas.width());
    const float height = static_cast<float>(canvas.height());
    const Point bodyOrigin{width * 0.1f, height * 0.2f};
    const float bodyWidth = width * 0.75f;
    const float bodyHeight = height * 0.6f;
    const float border = 5.0f;
    const Color outline{1.0f, 1.0f, 1.0f, 0.95f};

    float level = std::min(phase / 0.8f, 1.0f);
    Color fill = level < 0.5f ? mix(Color{0.95f, 0.25f, 0.2f, 1.0f}, Color{1.0f, 0.75f, 0.1f, 1.0f},
                                    level * 2.0f)
                              : mix(Color{1.0f, 0.75f, 0.1f, 1.0f}, Color{0.3f, 0.9f, 0.35f, 1.0f},
                                    level * 2.0f - 1.0f);
    float inset = border + 3.0f;
    float fillWidth = (bodyWidth - 2 * inset) * level;
    if (fillWidth > 0.5f)
        canvas.fillRoundedRectangle({bodyOrigin.x + inset, bodyOrigin.y + inset}, fillWidth,
                                    bodyHeight - 2 * inset, 5.0f, fill);
    canvas.strokeRoundedRectangle(bodyOrigin, bodyWidth, bodyHeight, 14.0f, border, outline);
    canvas.fillRoundedRectangle({bodyOrigin.x + bodyWidth + 3.0f, height * 0.38f}, width * 0.06f,
                                height * 0.24f, 4.0f, outline);

    // The bolt, in the body's middle, drawn in a 1 × 1 box and scaled to the body.
    const std::vector<Point> bolt{{0.55f, 0.0f}, {0.15f, 0.55f}, {0.45f, 0.55f},
                                  {0.35f, 1.0f}, {0.85f, 0.4f},  {0.55f, 0.4f}};
    const float boltHeight = bodyHeight * 0.8f;
    const float boltWidth = boltHeight * 0.6f;
    const Point boltOrigin{bodyOrigin.x + (bodyWidth - boltWidth) * 0.5f,
                           bodyOrigin.y + (bodyHeight - boltHeight) * 0.5f};
    std::vector<Point> shadow, shape;
    for (const Point& corner : bolt) {
        Point at{boltOrigin.x + corner.x * boltWidth, boltOrigin.y + corner.y * boltHeight};
        shadow.push_back({at.x + 1.5f, at.y + 1.5f});
        shape.push_back(at);
    }
    canvas.fillPolygon(shadow, Color{0.0f, 0.0f, 0.0f, 0.35f});
    canvas.fillPolygon(shape, Color{1.0f, 1.0f, 1.0f, 1.0f});
}

// A heart that beats twice per run, with a ring that spreads from it and fades out.
void drawPulse(Canvas& canvas, float phase) {
    const Point centre{canvas.width() * 0.5f, canvas.height() * 0.5f};
    const float size = canvas.width() * 0.22f;
    const Color red{1.0f, 0.3f, 0.4f, 1.0f};

    float spread = phase;
    canvas.strokeRing(centre, size * (1.0f + 1.6f * spread), 3.0f,
                      withAlpha(red, 0.8f * (1.0f - spread)));

    // Two quick beats, then rest: the scale rises and falls twice in the first half.
    float beat = phase < 0.5f ? std::sin(fullTurn * phase * 2.0f) : 0.0f;
    float scale = 1.0f + 0.18f * std::max(beat, 0.0f);
    float lobeRadius = size * 0.55f * scale;
    float lobeOffset = size * 0.5f * scale;
    Point leftLobe{centre.x - lobeOffset, centre.y - size * 0.2f * scale};
    Point rightLobe{centre.x + lobeOffset, centre.y - size * 0.2f * scale};
    canvas.fillDisc(leftLobe, lobeRadius, red);
    canvas.fillDisc(rightLobe, lobeRadius, red);
    // The lower point: a triangle tangent-ish to both lobes. Opaque, so the overlap with the
    // lobes does not show.
    canvas.fillPolygon({{leftLobe.x - lobeRadius * 0.93f, leftLobe.y + lobeRadius * 0.35f},
                        {rightLobe.x + lobeRadius * 0.93f, rightLobe.y + lobeRadius * 0.35f},
                        {centre.x, centre.y + size * 1.15f * scale}},
                       red);
    canvas.fillDisc({leftLobe.x - lobeRadius * 0.2f, leftLobe.y - lobeRadius * 0.3f},
                    lobeRadius * 0.22f, Color{1.0f, 1.0f, 1.0f, 0.45f}, 3.0f);
}

std::vector<SampleSequence> makeSampleSequences() {
    return {
        // Centred horizontally, near the bottom of the lock screen.
        SampleSequence{"particlespin", "spin", 4, 60, 150, 150,
                       R"({
    "width": 150,
    "height": 150,
    "x": "center",
    "y": "bottom",
    "yOffsetFromBottom": 40,
    "animationDuration": 2
}
)",
                       drawParticleSpin},
        // In the middle of the screen, wider than it is tall.
        SampleSequence{"battery", "charge", 2, 40, 200, 120,
                       R"({
    "width": 200,
    "height": 120,
    "x": "center",
    "y": "center",
    "animationDuration": 3
}
)",
                       drawBattery},
        // In the bottom right corner, kept clear of the edges by the two offsets.
        SampleSequence{"pulse", "pulse", 2, 30, 120, 120,
                       R"({
    "width": 120,
    "height": 120,
    "x": "right",
    "y": "bottom",
    "xOffsetFromBottom": 24,
    "yOffsetFromBottom": 60,
    "animationDuration": 1.5
}
)",
                       drawPulse},
    };
}

} // namespace

const std::vector<SampleSequence>& sampleSequences() {
    static const std::vector<SampleSequence> sequences = makeSampleSequences();
    return sequences;
}

std::string frameName(const SampleSequence& sequence, int number) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*d", sequence.numberDigits, number);
    return sequence.framePrefix + digits + ".png";
}

platform::Ref<platform::CGImage> drawFrame(const SampleSequence& sequence, int number) {
    Canvas canvas(sequence.boxWidth, sequence.boxHeight, sampleFrameScale);
    float phase = static_cast<float>(number - 1) / static_cast<float>(sequence.frameCount);
    sequence.drawFrame(canvas, phase);
    return canvas.image();
}

} // namespace velorin::samples
