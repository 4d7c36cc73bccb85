// The vertical slider's and the fader's arithmetic: positions, values under the pointer,
// the reset, the key steps, the fader's worked examples, its cube root, and the cases with
// nothing to travel.

#include "controls/sliders_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace controls;

namespace {

TEST(VSlider, PositionsOfValues) {
    struct Case { std::int32_t value, minimum, maximum, height, position; };
    // h - (trunc((v - min) * (h - 12) / (max - min)) + 6), worked by hand.
    const Case cases[] = {
        {0, -127, 127, 100, 50},       // 127 * 88 / 254 = 44
        {127, -127, 127, 100, 6},
        {-127, -127, 127, 100, 94},
        {-3, -127, 127, 100, 52},      // 124 * 88 / 254 = 42.96 -> 42
        {50, 0, 100, 112, 56},         // 50 * 100 / 100 = 50
        {33, 0, 100, 112, 73},         // 33 -> 106 - 33
        {1, 0, 3, 100, 65},            // 88 / 3 = 29.3 -> 29
        {40, 60, 40, 100, 6},          // inverted range: the maximum still at the top
        {7, 7, 7, 100, 94},            // no range: the bottom, where the minimum belongs
        {20, -127, 127, 12, 6},        // no travel: the bottom, h - 6
        {20, -127, 127, 8, 4},         // lower than 12: 8 - (trunc(147 * -4 / 254) + 6)
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vsliderPositionFromValue(c.value, c.minimum, c.maximum, c.height), c.position)
            << c.value << " in " << c.minimum << ".." << c.maximum << ", h " << c.height;
    }
}

TEST(VSlider, ValuesUnderThePointer) {
    struct Case { std::int32_t y, minimum, maximum, height, value; };
    const Case cases[] = {
        {50, -127, 127, 100, 0},       // 44 * 254 / 88 = 127 exactly
        {51, -127, 127, 100, -3},      // 43 * 254 / 88 = 124.1 -> 124
        {6, -127, 127, 100, 127},
        {94, -127, 127, 100, -127},
        {56, 0, 100, 112, 50},
        {57, 0, 3, 100, 1},            // 37 * 3 / 88 = 1.26 -> 1
        {35, 0, 3, 100, 2},            // 59 * 3 / 88 = 2.01 -> 2
        {65, 0, 3, 100, 1},            // 29 * 3 / 88 = 0.99 -> 1
        {79, 0, 3, 100, 1},            // 15 * 3 / 88 = 0.51 -> 1: halves round up
        {80, 0, 3, 100, 0},            // 14 * 3 / 88 = 0.48 -> 0
        {6, 7, 7, 100, 7},             // no range: the minimum
        {50, -127, 127, 12, -127},     // no travel: the minimum
        {6, -127, 127, 3, 127},        // lower than 12: -127 - trunc(9 * 254 / -9 - 0.5)
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vsliderValueFromPosition(c.y, c.minimum, c.maximum, c.height), c.value)
            << "y " << c.y << " in " << c.minimum << ".." << c.maximum << ", h " << c.height;
    }
}

TEST(VSlider, ResetsToTheMiddle) {
    struct Reset { std::int16_t minimum, maximum; std::int32_t value; };
    const Reset resets[] = {
        {-127, 127, 0}, {0, 100, 50}, {0, 5, 2}, {-5, 0, -3},   // -5 + (5 >> 1)
        {10, 3, 6},                                            // 10 + (-7 >> 1) = 10 - 4
        {-32768, 32767, -1}, {7, 7, 7},
    };
    for (const Reset& r : resets) {
        EXPECT_EQ(vsliderResetValue(r.minimum, r.maximum), r.value) << r.minimum << ".." << r.maximum;
    }
}

TEST(VSlider, KeyStepsStopAtTheLimits) {
    struct Case { std::int16_t value; bool up; std::int16_t minimum, maximum, next; };
    const Case cases[] = {
        {0, true, -127, 127, 1},   {127, true, -127, 127, 127},  {-127, false, -127, 127, -127},
        {32767, true, -32768, 32767, 32767},  {-32768, false, -32768, 32767, -32768},
        {40, false, 60, 40, 60},   // inverted range: down is limited by the minimum
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vsliderKeyStep(c.value, c.up, c.minimum, c.maximum), c.next)
            << c.value << (c.up ? " up" : " down");
    }
}

TEST(Fader, PositionsAndTravelForAHeightOf120) {
    struct Place { std::uint16_t travel; std::int32_t position; };
    const Place places[] = {{0, 110}, {161, 48}, {162, 47}, {203, 31}, {255, 11}, {256, 10}, {128, 60}};
    for (const Place& p : places) {
        EXPECT_EQ(faderPositionFromTravel(p.travel, 120), p.position) << "travel " << p.travel;
    }
    struct Press { std::int32_t y; std::int32_t travel; std::int32_t level; };
    const Press presses[] = {
        {60, 128, 8192}, {10, 256, 65535}, {0, 256, 65535}, {-30, 256, 65535}, {110, 0, 0}, {150, 0, 0},
        {47, 161, 16301}, {48, 158, 15407},   // 63 * 256 / 100 = 161.28; 62 * 256 / 100 = 158.72
    };
    for (const Press& p : presses) {
        const std::uint16_t travel = faderTravelFromPosition(faderClampY(p.y, 120), 120);
        EXPECT_EQ(travel, p.travel) << "y " << p.y;
        EXPECT_EQ(faderLevel(travel), p.level) << "y " << p.y;
    }
}

TEST(Fader, TravelOfLevelsSetByText) {
    struct Case { std::int32_t level; std::uint16_t travel; };
    const Case cases[] = {
        {0, 0}, {-5, 0}, {16384, 161}, {32768, 203}, {65535, 255}, {70000, 255}, {1, 6}, {8192, 127},   // 128^3 exactly
        {2, 7},          // 512 = 8^3, and pow with an exponent just under 1/3 lands below 8
        {59582, 247},    // 2 * 31^3: 248^3 exactly
        {59583, 248},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(faderTravelFromLevel(c.level), c.travel) << "level " << c.level;
    }
}

// The integer cube root stands for trunc(pow(level * 256, 1/3)) in double precision.
TEST(Fader, TravelFromLevelAgreesWithPowForEveryLevel) {
    int differences = 0;
    for (std::int32_t level = 0; level <= 65535; ++level) {
        const auto expected = static_cast<std::uint16_t>(std::trunc(std::pow(level * 256.0, 1.0 / 3.0)));
        if (faderTravelFromLevel(level) != expected && ++differences <= 5) {
            ADD_FAILURE() << "level " << level << ": " << faderTravelFromLevel(level) << " instead of " << expected;
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST(Fader, NoTravelRestsAtTheBottomAndMeansZero) {
    for (std::int32_t height : {20, 19, 12, 0}) {
        for (std::uint16_t travel : {0, 162, 256}) {
            EXPECT_EQ(faderPositionFromTravel(travel, height), height - 10) << "h " << height;
        }
        for (std::int32_t y : {-5, 0, 10, 30}) {
            EXPECT_EQ(faderTravelFromPosition(faderClampY(y, height), height), 0) << "h " << height << " y " << y;
        }
    }
    EXPECT_EQ(faderPositionFromTravel(256, 21), 10);
    EXPECT_EQ(faderTravelFromPosition(10, 21), 256);
}

}  // namespace
