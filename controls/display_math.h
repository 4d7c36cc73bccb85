#pragma once
// The display controls' arithmetic, free of any window: the indicator's lit/unlit boundary
// column, the LED's level step and colour table, and the oscilloscope's samples and points.

#include "controls/control_math.h"

#include <cstddef>
#include <cstdint>

namespace controls {

// ---- Indicator -----------------------------------------------------------------------------

// First column of the unlit picture for `units` (0..256, as the meter's) in a client area
// `width` columns wide: floor(units * W / 256), so 0 lights nothing and 256 the full width.
// A negative width (never given by a window) counts as 0.
constexpr std::int32_t indicatorBoundaryColumn(std::uint16_t units, std::int32_t width) {
    if (width <= 0) {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::int64_t>(units) * width / kMeterFullUnits);
}

// ---- LED ---------------------------------------------------------------------------------------

constexpr std::uint16_t kLedTopStep = 48;   // 0 dB; step 0 is -48 dB

// Decibels clamped to -48..0, plus 48: linear steps 0..48 (not the meter's squared units).
constexpr std::uint16_t ledStepFromDb(std::int32_t db) {
    const std::int32_t clamped = db < kMeterFloorDb ? kMeterFloorDb : (db > 0 ? 0 : db);
    return static_cast<std::uint16_t>(clamped - kMeterFloorDb);
}

constexpr std::uint16_t ledStepFromText(const char* text) { return ledStepFromDb(atoiLike(text)); }

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    constexpr bool operator==(const Rgb&) const = default;
};

// The lamp's colour by level: black near silence, through blues and white to red at full
// scale. Each row holds from its lowest level in decibels up to the next row's.
struct LedBand {
    std::int32_t fromDb;
    Rgb colour;
};
inline constexpr LedBand kLedBands[] = {
    {-48, {0, 0, 0}},         {-45, {0, 64, 128}},      {-35, {64, 128, 192}},
    {-23, {128, 192, 224}},   {-17, {128, 224, 255}},   {-11, {255, 255, 255}},
    {-8, {255, 128, 128}},    {-5, {255, 64, 64}},      {-2, {255, 0, 0}},
};

// A step above 48 (a window word written by someone else) shows as red.
constexpr Rgb ledColour(std::uint16_t step) {
    const std::int32_t db = static_cast<std::int32_t>(step) + kMeterFloorDb;
    Rgb colour = kLedBands[0].colour;
    for (const LedBand& band : kLedBands) {
        if (db >= band.fromDb) {
            colour = band.colour;
        }
    }
    return colour;
}

// ---- Oscilloscope --------------------------------------------------------------------------

constexpr std::size_t kOsziMaxSamples = 127;    // x 4..130
constexpr std::size_t kOsziTextBuffer = 128;    // the samples and the terminating zero
constexpr std::int32_t kOsziFirstX = 4;
constexpr std::int32_t kOsziTopSample = 128;    // drawn on row 0; sample 1 on row 127

// How many samples a text holds: its bytes up to the terminating zero, at most 127 and at
// most `capacity` (the bytes that may be read). Nothing past the terminator is a sample.
constexpr std::size_t osziSampleCount(const char* text, std::size_t capacity) {
    if (text == nullptr) {
        return 0;
    }
    const std::size_t limit = capacity < kOsziMaxSamples ? capacity : kOsziMaxSamples;
    std::size_t count = 0;
    while (count < limit && text[count] != '\0') {
        ++count;
    }
    return count;
}

struct OsziPoint {
    std::int32_t x;
    std::int32_t y;
    constexpr bool operator==(const OsziPoint&) const = default;
};

// Sample i at (i + 4, 128 - sample), the byte read unsigned (1..255): samples above 128 lie
// above the top edge.
constexpr OsziPoint osziPoint(std::size_t index, char byte) {
    const std::int32_t sample = static_cast<unsigned char>(byte);
    return OsziPoint{kOsziFirstX + static_cast<std::int32_t>(index), kOsziTopSample - sample};
}

}  // namespace controls
