#pragma once
// The controls' arithmetic, free of any window: window text to number, 16-bit narrowing,
// decibels to meter display units, the meter's lit/unlit boundary row, and the slider's
// value <-> knob position mappings. All integer, all constexpr.

#include <cstdint>

namespace controls {

// Converts a text the way the C library's atoi does: leading white space (space, \t, \n,
// \v, \f, \r) skipped, one optional '+' or '-', then decimal digits up to the first other
// character; no digits give 0. A null text gives 0. Digits beyond the 32-bit range wrap
// modulo 2^32 instead of being undefined.
constexpr std::int32_t atoiLike(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    std::uint32_t magnitude = 0;
    while (*p >= '0' && *p <= '9') {
        magnitude = magnitude * 10u + static_cast<std::uint32_t>(*p - '0');
        ++p;
    }
    const std::uint32_t bits = negative ? 0u - magnitude : magnitude;
    return static_cast<std::int32_t>(bits);
}

// The low 16 bits of n as a signed number (what a 16-bit window word keeps).
constexpr std::int16_t narrow16(std::int32_t n) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(n) & 0xFFFFu));
}

// ---- Level meter -------------------------------------------------------------------------

constexpr std::int32_t kMeterFloorDb = -48;
constexpr std::uint16_t kMeterFullUnits = 256;   // 48 * 48 / 9

// Decibels to display units: clamped to -48..0, then floor((n + 48)^2 / 9), 0..256.
constexpr std::uint16_t meterUnitsFromDb(std::int32_t db) {
    const std::int32_t clamped = db < kMeterFloorDb ? kMeterFloorDb : (db > 0 ? 0 : db);
    const std::int32_t s = clamped - kMeterFloorDb;
    return static_cast<std::uint16_t>(s * s / 9);
}

// A level text (decimal decibels) to display units.
constexpr std::uint16_t meterUnitsFromText(const char* text) { return meterUnitsFromDb(atoiLike(text)); }

// First row of the lit picture for `units` in a client area `height` rows tall:
// (H - 1) - ceil(v * (H - 2) / 256), computed as the truncation toward zero of
// ((H - 1) * 256 - v * (H - 2)) / 256, which is the same for every height of 2 or more.
constexpr std::int32_t meterBoundaryRow(std::uint16_t units, std::int32_t height) {
    const std::int64_t numerator = static_cast<std::int64_t>(height - 1) * 256 -
                                   static_cast<std::int64_t>(units) * (height - 2);
    return static_cast<std::int32_t>(numerator / 256);
}

// The hold mark is drawn only when it exceeds the level by more than 2 display units.
constexpr bool meterShowsHold(std::uint16_t level, std::uint16_t hold) {
    return static_cast<std::int32_t>(hold) > static_cast<std::int32_t>(level) + 2;
}

// ---- Horizontal slider --------------------------------------------------------------------

constexpr std::int32_t kKnobMargin = 5;   // the knob's centre keeps 5 pixels from either end

// The mappings divide by (max - min) and by (W - 10); either being zero leaves nothing to
// travel: the knob then sits at the left end and every pointer position means the minimum.
// A window narrower than 10 pixels divides by a negative number and follows the formulas.
constexpr bool sliderDegenerate(std::int32_t minimum, std::int32_t maximum, std::int32_t width) {
    return maximum == minimum || width == 2 * kKnobMargin;
}

// 5 + (value - min) * (W - 10) / (max - min), the quotient truncated toward zero.
constexpr std::int32_t sliderPositionFromValue(std::int32_t value, std::int32_t minimum,
                                               std::int32_t maximum, std::int32_t width) {
    if (sliderDegenerate(minimum, maximum, width)) {
        return kKnobMargin;
    }
    const std::int64_t travel = static_cast<std::int64_t>(value - minimum) * (width - 2 * kKnobMargin);
    return kKnobMargin + static_cast<std::int32_t>(travel / (maximum - minimum));
}

// min + trunc((x - 5) * (max - min) / (W - 10) + 0.5), exactly: with d = W - 10 > 0,
// trunc(a / d + 1/2) = trunc((2a + d) / 2d), and integer division truncates toward zero.
constexpr std::int32_t sliderValueFromPosition(std::int32_t x, std::int32_t minimum,
                                               std::int32_t maximum, std::int32_t width) {
    if (sliderDegenerate(minimum, maximum, width)) {
        return minimum;
    }
    const std::int64_t a = static_cast<std::int64_t>(x - kKnobMargin) * (maximum - minimum);
    const std::int64_t d = width - 2 * kKnobMargin;
    return minimum + static_cast<std::int32_t>((2 * a + d) / (2 * d));
}

// A pointer x limited to the knob's travel: first not beyond W - 5, then not below 5.
constexpr std::int32_t sliderClampX(std::int32_t x, std::int32_t width) {
    if (x > width - kKnobMargin) {
        x = width - kKnobMargin;
    }
    if (x < kKnobMargin) {
        x = kKnobMargin;
    }
    return x;
}

// Below the minimum becomes the minimum; then above the maximum becomes the maximum
// (so an inverted range leaves the maximum).
constexpr std::int16_t sliderClampValue(std::int16_t value, std::int16_t minimum, std::int16_t maximum) {
    if (value < minimum) {
        value = minimum;
    }
    if (value > maximum) {
        value = maximum;
    }
    return value;
}

// An arrow key's step: the value plus 1 but not above the maximum, or minus 1 but not below
// the minimum, computed in 32 bits so the 16-bit ends do not wrap. In an inverted range the
// limit applies as written: minimum 60, maximum 40, value 40, one step down gives 60.
constexpr std::int16_t sliderKeyStep(std::int16_t value, bool increase, std::int16_t minimum, std::int16_t maximum) {
    std::int32_t next = increase ? value + 1 : value - 1;
    if (increase && next > maximum) {
        next = maximum;
    }
    if (!increase && next < minimum) {
        next = minimum;
    }
    return narrow16(next);
}

// The lParam of a report to the parent, as a 32-bit number: the value sign-extended from
// 16 bits, with bit 16 set in addition when the report ends a mouse action.
constexpr std::uint32_t kReleaseFlag = 0x10000u;
constexpr std::int32_t sliderReport(std::int16_t value, bool release) {
    const std::uint32_t bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    return static_cast<std::int32_t>(release ? (bits | kReleaseFlag) : bits);
}

}  // namespace controls
