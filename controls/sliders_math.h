#pragma once
// The vertical slider's and the fader's arithmetic, free of any window: value <-> thumb
// position, travel word <-> knob position, the fader's cubic level and its inverse, and the
// reports' flag bits. All integer, all constexpr.

#include "controls/control_math.h"

#include <cstdint>

namespace controls {

// ---- Vertical slider ----------------------------------------------------------------------

constexpr std::int32_t kThumbMargin = 6;   // the thumb's line keeps 6 pixels from top and bottom

// The mappings divide by (max - min) and by (h - 12); either being zero leaves nothing to
// travel: the thumb then rests at the bottom, the minimum's end, and every pointer position
// means the minimum. A window lower than 12 pixels divides by a negative number and follows
// the formulas.
constexpr bool vsliderDegenerate(std::int32_t minimum, std::int32_t maximum, std::int32_t height) {
    return maximum == minimum || height == 2 * kThumbMargin;
}

// h - (trunc((value - min) * (h - 12) / (max - min)) + 6): the maximum at y 6, the minimum
// at y h - 6. Integer division truncates toward zero exactly as the rational would.
constexpr std::int32_t vsliderPositionFromValue(std::int32_t value, std::int32_t minimum, std::int32_t maximum,
                                                std::int32_t height) {
    if (vsliderDegenerate(minimum, maximum, height)) {
        return height - kThumbMargin;
    }
    const std::int64_t travel = static_cast<std::int64_t>(value - minimum) * (height - 2 * kThumbMargin);
    return height - (static_cast<std::int32_t>(travel / (maximum - minimum)) + kThumbMargin);
}

// A pointer y limited to the thumb's travel: first not below h - 6, then not above 6.
constexpr std::int32_t vsliderClampY(std::int32_t y, std::int32_t height) {
    if (y > height - kThumbMargin) {
        y = height - kThumbMargin;
    }
    if (y < kThumbMargin) {
        y = kThumbMargin;
    }
    return y;
}

// min - trunc((y - (h - 6)) * (max - min) / (h - 12) - 0.5), exactly: with d = h - 12 > 0,
// trunc(a / d - 1/2) = trunc((2a - d) / 2d). For max > min this rounds to the nearest
// value, halves upward.
constexpr std::int32_t vsliderValueFromPosition(std::int32_t y, std::int32_t minimum, std::int32_t maximum,
                                                std::int32_t height) {
    if (vsliderDegenerate(minimum, maximum, height)) {
        return minimum;
    }
    const std::int64_t a = static_cast<std::int64_t>(y - (height - kThumbMargin)) * (maximum - minimum);
    const std::int64_t d = height - 2 * kThumbMargin;
    return minimum - static_cast<std::int32_t>((2 * a - d) / (2 * d));
}

// The right button's reset: min + ((max - min) shifted right by one, arithmetic).
constexpr std::int32_t vsliderResetValue(std::int16_t minimum, std::int16_t maximum) {
    const std::int32_t span = static_cast<std::int32_t>(maximum) - minimum;
    return minimum + (span >> 1);
}

// An arrow key's step: up raises the value, down lowers it, as the horizontal slider's keys.
constexpr std::int16_t vsliderKeyStep(std::int16_t value, bool up, std::int16_t minimum, std::int16_t maximum) {
    return sliderKeyStep(value, up, minimum, maximum);
}

// Report flags beside the release flag of control_math.h: the right button's reset.
constexpr std::uint32_t kResetFlag = 0x20000u;

// The lParam of a report as a 32-bit number: the value sign-extended from 16 bits, with
// `flags` OR-ed in (for a negative value they do not show in the high word).
constexpr std::int32_t sliderReportWithFlags(std::int16_t value, std::uint32_t flags) {
    const std::uint32_t bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    return static_cast<std::int32_t>(bits | flags);
}

// ---- Fader --------------------------------------------------------------------------------

constexpr std::int32_t kFaderMargin = 10;         // the knob's centre line keeps 10 pixels from either end
constexpr std::int32_t kFaderFullTravel = 256;     // the travel word at the top
constexpr std::uint16_t kFaderResetTravel = 162;   // the right button's reference position
constexpr std::uint32_t kFaderResetReport = 0x4000u;
constexpr std::int32_t kFaderMaxLevel = 65535;

// The mapping from y divides by (h - 20); at 20 pixels or less nothing can travel: the knob
// then rests at the bottom (centre line h - 10, level 0) and every pointer position means 0.
constexpr bool faderDegenerate(std::int32_t height) { return height <= 2 * kFaderMargin; }

// trunc(t^3 / 256), limited to 65535 (the top, t = 256, would be 65536).
constexpr std::int32_t faderLevel(std::uint16_t travel) {
    const std::int64_t cube = static_cast<std::int64_t>(travel) * travel * travel;
    const std::int64_t level = cube / 256;
    return level > kFaderMaxLevel ? kFaderMaxLevel : static_cast<std::int32_t>(level);
}

// (h - 10) - trunc(t * (h - 20) / 256).
constexpr std::int32_t faderPositionFromTravel(std::uint16_t travel, std::int32_t height) {
    if (faderDegenerate(height)) {
        return height - kFaderMargin;
    }
    const std::int64_t offset = static_cast<std::int64_t>(travel) * (height - 2 * kFaderMargin);
    return (height - kFaderMargin) - static_cast<std::int32_t>(offset / kFaderFullTravel);
}

// A pointer y limited to the knob's travel: first not below h - 10, then not above 10.
constexpr std::int32_t faderClampY(std::int32_t y, std::int32_t height) {
    if (y > height - kFaderMargin) {
        y = height - kFaderMargin;
    }
    if (y < kFaderMargin) {
        y = kFaderMargin;
    }
    return y;
}

// trunc((h - 10 - y) * 256 / (h - 20)) for a clamped y: 0 at the bottom to 256 at the top.
constexpr std::uint16_t faderTravelFromPosition(std::int32_t y, std::int32_t height) {
    if (faderDegenerate(height)) {
        return 0;
    }
    const std::int64_t numerator = static_cast<std::int64_t>(height - kFaderMargin - y) * kFaderFullTravel;
    return static_cast<std::uint16_t>(numerator / (height - 2 * kFaderMargin));
}

// The travel word for a level set by text: the level limited to 0..65535, then
// trunc(pow(level * 256, 1/3)) with the exponent the double nearest 1/3, which is a little
// less than a third. Worked in integers: the floor of the cube root, except that an exact
// cube k^3 (k a multiple of 8 here, since 256 divides it) comes out just below k, so k - 1.
// Everything else lies at least 1/(3 * 256^2) away from an integer, far beyond rounding.
constexpr std::uint16_t faderTravelFromLevel(std::int32_t level) {
    if (level < 0) {
        level = 0;
    }
    if (level > kFaderMaxLevel) {
        level = kFaderMaxLevel;
    }
    const std::int64_t x = static_cast<std::int64_t>(level) * 256;
    std::int64_t root = 0;
    while ((root + 1) * (root + 1) * (root + 1) <= x) {
        ++root;
    }
    if (root > 0 && root * root * root == x) {
        --root;
    }
    return static_cast<std::uint16_t>(root);
}

}  // namespace controls
