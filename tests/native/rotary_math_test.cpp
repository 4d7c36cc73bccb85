// The pan control's mappings and report, and the knob's pointer end points and angle limits,
// as worked out by hand from the formulas.

#include "controls/rotary_math.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace controls;

namespace {

TEST(Pan, PositionsOfValuesAndValuesOfPointerPositions) {
    struct Position { std::int32_t value; std::int32_t x; };
    // trunc(v * 32 / 255) + 20
    const Position positions[] = {{127, 35}, {-127, 5}, {0, 20}, {64, 28}, {-64, 12}, {8, 21}, {-8, 19}};
    for (const Position& c : positions) {
        EXPECT_EQ(panPositionFromValue(c.value, 40), c.x) << "value " << c.value;
    }
    struct Press { std::int32_t width; std::int32_t x; std::uint32_t report; };
    const Press presses[] = {
        {40, 36, 0x7F}, {40, 300, 0x7F}, {40, 4, 0x81}, {40, -20, 0x81}, {40, 20, 0x00},
        {40, 21, 0x07}, {40, 19, 0xF9}, {40, 5, 0x89},
        // An odd width: the centre is 20, so the left half of the travel is one pixel shorter.
        {41, 4, 0x85}, {41, 37, 0x7F},
    };
    for (const Press& c : presses) {
        const std::int32_t value = panValueFromX(panClampX(c.x, c.width), c.width);
        EXPECT_EQ(panReport(value, false), c.report) << "width " << c.width << " x " << c.x;
    }
    EXPECT_EQ(panReport(-7, true), 0x100F9u);
}

TEST(PanDegenerate, NarrowControlsRestAtTheLeftEndAndReportTheMinimum) {
    for (std::int32_t width : {8, 7, 6, 1, 0}) {
        EXPECT_EQ(panCentreX(width), 4) << width;
        EXPECT_EQ(panPositionFromValue(127, width), 4) << width;
        EXPECT_EQ(panPositionFromValue(-127, width), 4) << width;
        for (std::int32_t x : {-5, 0, 4, 8, 100}) {
            EXPECT_EQ(panValueFromX(panClampX(x, width), width), -127) << width << " x " << x;
        }
    }
    EXPECT_EQ(panCentreX(9), 4);
    EXPECT_EQ(panValueFromX(5, 9), 127);   // 9 still travels one pixel: (5 - 4) * 255 / 1, limited
    EXPECT_EQ(panValueFromX(4, 9), 0);
}

TEST(KnobPointer, EndPointsOfAThirtyTwoPixelKnob) {
    struct Case { int angle; int x; int y; };
    const Case cases[] = {
        {0, 16, 6},     {180, 16, 26},  {-180, 16, 26},
        {30, 21, 7},    {-30, 12, 6},   // not mirror images: minor component 5 against 4
        {45, 23, 9},    {-45, 8, 9},
        {60, 24, 11},   {-60, 7, 11},
        {90, 26, 16},   {-90, 6, 16},
        {120, 24, 21},  {-120, 7, 21},
        {135, 23, 23},  {-135, 9, 23},
    };
    for (const Case& c : cases) {
        const KnobPoint end = knobPointerEnd(c.angle, 16, 16);
        EXPECT_EQ(end.x, c.x) << "angle " << c.angle;
        EXPECT_EQ(end.y, c.y) << "angle " << c.angle;
    }
    EXPECT_EQ(knobMinorComponent(60), 5);    // angle 30
    EXPECT_EQ(knobMinorComponent(-120), 4);  // angle -30
    EXPECT_EQ(knobPointerEnd(-400, 16, 16).y, 26) << "outside -180..180: the nearer limit";
    EXPECT_EQ(knobPointerEnd(-30, 0, 0).y, -9) << "truncated toward zero";
}

TEST(KnobAngle, TextStepsAndDragsStayInTheirRanges) {
    struct TextCase { const char* text; std::int16_t angle; };
    // The low 16 bits, signed: 70000 - 65536 = 4464.
    const TextCase texts[] = {{"-45", -45}, {"180", 180}, {"400", 400}, {"-181", -181}, {"65535", -1},
                              {"70000", 4464}, {"-2147483648", 0}, {"x", 0}, {" +7deg", 7}};
    for (const TextCase& c : texts) {
        EXPECT_EQ(knobAngleFromText(c.text), c.angle) << c.text;
    }
    EXPECT_EQ(knobStep(180, +1), 180);
    EXPECT_EQ(knobStep(-180, -1), -180);
    EXPECT_EQ(knobStep(179, +1), 180);
    struct DragCase { int x; std::int16_t angle; };
    const DragCase drags[] = {{250, 135}, {-50, -135}, {100, 0}, {140, 40}, {32767, 135}, {-32668, -135},
                              {-32768, 135}};   // -32868 wraps to 32668 in 16 bits
    for (const DragCase& c : drags) {
        EXPECT_EQ(knobDragAngle(c.x, 0, 100), c.angle) << "x " << c.x;
    }
}

}  // namespace
