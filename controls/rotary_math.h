#pragma once
// The pan control's and the knob's arithmetic, free of any window: the pan's value <->
// knob column mappings and its report, and the knob's pointer end point for an angle.

#include "controls/control_math.h"

#include <cmath>
#include <cstdint>

namespace controls {

// ---- Pan ------------------------------------------------------------------------------------

constexpr std::int32_t kPanEnd = 4;          // the knob's reference column keeps 4 pixels from either end
constexpr std::int32_t kPanLimit = 127;      // values run -127..127
constexpr std::int32_t kPanScale = 255;

// A client width of 8 or less leaves nothing to travel (the mapping from x divides by
// w - 8). The knob then rests at the left end and every pointer position means -127,
// which is also what the general rule gives for every width below 8.
constexpr bool panDegenerate(std::int32_t width) { return width <= 2 * kPanEnd; }

// Where the knob rests at creation and after the right-button reset: the width halved.
constexpr std::int32_t panCentreX(std::int32_t width) { return panDegenerate(width) ? kPanEnd : width / 2; }

constexpr std::int32_t panClampValue(std::int32_t value) {
    return value < -kPanLimit ? -kPanLimit : (value > kPanLimit ? kPanLimit : value);
}

// trunc(v * (w - 8) / 255) + w / 2. Integer division truncates toward zero exactly as the
// floating-point quotient would: a quotient of small integers by 255 is never within
// rounding distance of an integer it is not equal to.
constexpr std::int32_t panPositionFromValue(std::int32_t value, std::int32_t width) {
    if (panDegenerate(width)) {
        return kPanEnd;
    }
    return static_cast<std::int32_t>(static_cast<std::int64_t>(value) * (width - 2 * kPanEnd) / kPanScale) +
           width / 2;
}

// A pointer x limited to the travel: first not beyond w - 4, then not below 4.
constexpr std::int32_t panClampX(std::int32_t x, std::int32_t width) {
    if (x > width - kPanEnd) {
        x = width - kPanEnd;
    }
    if (x < kPanEnd) {
        x = kPanEnd;
    }
    return x;
}

// trunc((x - w / 2) * 255 / (w - 8)) limited to -127..127, for an x already clamped.
constexpr std::int32_t panValueFromX(std::int32_t x, std::int32_t width) {
    if (panDegenerate(width)) {
        return -kPanLimit;
    }
    const std::int64_t offset = static_cast<std::int64_t>(x) - width / 2;
    return panClampValue(static_cast<std::int32_t>(offset * kPanScale / (width - 2 * kPanEnd)));
}

// The lParam of a report: the value as a two's-complement byte, bit 16 for a release.
constexpr std::uint32_t panReport(std::int32_t value, bool release) {
    const std::uint32_t byte = static_cast<std::uint32_t>(value) & 0xFFu;
    return release ? (byte | kReleaseFlag) : byte;
}

// ---- Knob -----------------------------------------------------------------------------------

constexpr std::int32_t kKnobAngleLimit = 180;   // keys and texts: -180..180
constexpr std::int32_t kKnobDragLimit = 135;    // dragging: -135..135
constexpr double kKnobPointerLength = 10.0;
constexpr double kKnobRadiansPerDegree = 0.01745;   // deliberately not the exact factor

constexpr std::int32_t knobClampAngle(std::int32_t angle, std::int32_t limit) {
    return angle < -limit ? -limit : (angle > limit ? limit : angle);
}

// An angle given by text: converted like atoi and kept to its low 16 bits, so "400" reads
// back as 400 and "65535" as -1. Only the pointer's drawing limits it to -180..180.
constexpr std::int16_t knobAngleFromText(const char* text) {
    return narrow16(atoiLike(text));
}

// One step of a key: +1 or -1, not beyond -180..180.
constexpr std::int16_t knobStep(std::int16_t angle, int direction) {
    return static_cast<std::int16_t>(knobClampAngle(angle + direction, kKnobAngleLimit));
}

// A drag step: pointer x + anchor angle - anchor x in 16-bit arithmetic, limited to -135..135.
constexpr std::int16_t knobDragAngle(std::int32_t x, std::int16_t anchorAngle, std::int32_t anchorX) {
    const std::int16_t raw = narrow16(x + anchorAngle - anchorX);
    return static_cast<std::int16_t>(knobClampAngle(raw, kKnobDragLimit));
}

struct KnobOffset {
    double dx;
    double dy;
};

// The minor component: trunc(10 / sqrt(tan(a * 0.01745)^2 + 1)).
inline int knobMinorComponent(int reducedAngle) {
    const double t = std::tan(reducedAngle * kKnobRadiansPerDegree);
    return static_cast<int>(kKnobPointerLength / std::sqrt(t * t + 1.0));
}

// The pointer's offset from the centre for an angle (0 up, clockwise positive); angles
// outside -180..180 are taken as the nearer limit.
inline KnobOffset knobPointerOffset(int angle) {
    const int v = knobClampAngle(angle, kKnobAngleLimit);
    const auto major = [](int m) { return std::sqrt(100.0 - m * m); };
    if (v == 0) return {0.0, -kKnobPointerLength};
    if (v == 90) return {kKnobPointerLength, 0.0};
    if (v == 180 || v == -180) return {0.0, kKnobPointerLength};
    if (v == -90) return {-kKnobPointerLength, 0.0};
    if (v >= 1 && v <= 44) {
        const int m = knobMinorComponent(90 - v);
        return {double(m), -major(m)};
    }
    if (v >= 45 && v <= 89) {
        const int m = knobMinorComponent(v);
        return {major(m), -double(m)};
    }
    if (v >= 91 && v <= 134) {
        const int m = knobMinorComponent(180 - v);
        return {major(m), double(m)};
    }
    if (v >= 135) {
        const int m = knobMinorComponent(v - 90);
        return {double(m), major(m)};
    }
    if (v <= -135) {
        const int m = knobMinorComponent(v + 90);
        return {-double(m), major(m)};
    }
    if (v <= -91) {
        const int m = knobMinorComponent(-180 - v);
        return {-major(m), double(m)};
    }
    if (v <= -45) {
        const int m = knobMinorComponent(v);
        return {-major(m), -double(m)};
    }
    const int m = knobMinorComponent(v - 90);   // -44..-1
    return {-double(m), -major(m)};
}

struct KnobPoint {
    int x;
    int y;
};

// The white pointer's end point for a knob centred at (cx, cy): each coordinate truncated
// toward zero.
inline KnobPoint knobPointerEnd(int angle, int cx, int cy) {
    const KnobOffset offset = knobPointerOffset(angle);
    return {static_cast<int>(std::trunc(cx + offset.dx)), static_cast<int>(std::trunc(cy + offset.dy))};
}

}  // namespace controls
