// The display controls' arithmetic: the indicator's boundary column, the LED's steps and
// colour-table edges, and the oscilloscope's sample count and points.

#include "controls/display_math.h"

#include <gtest/gtest.h>

#include <string>

using namespace controls;

namespace {

TEST(IndicatorBoundary, ColumnsForLevelsAndWidths) {
    // floor(((db + 48)^2 / 9) * W / 256), worked by hand.
    struct Case { const char* text; std::int32_t width; std::int32_t column; };
    const Case cases[] = {
        {"-12", 100, 56}, {"-6", 100, 76}, {"-1", 100, 95}, {"-45", 100, 0}, {"-24", 57, 14},
        {"0", 100, 100}, {"x", 100, 100}, {"-48", 100, 0}, {"-12", 0, 0}, {"0", -5, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(indicatorBoundaryColumn(meterUnitsFromText(c.text), c.width), c.column) << c.text << " " << c.width;
    }
}

TEST(Led, StepsAndTheEdgesOfEveryColourBand) {
    struct Case { const char* text; std::uint16_t step; Rgb colour; };
    const Case cases[] = {
        {"-49", 0, {0, 0, 0}},            {"-46", 2, {0, 0, 0}},          {"-45", 3, {0, 64, 128}},
        {"-36", 12, {0, 64, 128}},        {"-35", 13, {64, 128, 192}},    {"-24", 24, {64, 128, 192}},
        {"-23", 25, {128, 192, 224}},     {"-18", 30, {128, 192, 224}},   {"-17", 31, {128, 224, 255}},
        {"-12", 36, {128, 224, 255}},     {"-11", 37, {255, 255, 255}},   {"-9", 39, {255, 255, 255}},
        {"-8", 40, {255, 128, 128}},      {"-6", 42, {255, 128, 128}},    {"-5", 43, {255, 64, 64}},
        {"-3", 45, {255, 64, 64}},        {"-2", 46, {255, 0, 0}},        {"0", 48, {255, 0, 0}},
        {"12", 48, {255, 0, 0}},          {"loud", 48, {255, 0, 0}},      {"-2147483648", 0, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ledStepFromText(c.text), c.step) << c.text;
        const Rgb got = ledColour(c.step);
        EXPECT_EQ(got, c.colour) << c.text << " gave " << +got.red << "," << +got.green << "," << +got.blue;
    }
    EXPECT_EQ(ledColour(500), (Rgb{255, 0, 0})) << "a step past the table shows as full scale";
}

TEST(Oszi, SamplesAreTheBytesBeforeTheTerminatorAtMost127) {
    const std::string longer(200, '\x40');
    const char withTail[5] = {'\x10', '\x20', '\0', '\x30', '\x40'};
    struct Case { const char* text; std::size_t capacity; std::size_t count; };
    const Case cases[] = {
        {"", 128, 0}, {"abc", 128, 3}, {withTail, sizeof withTail, 2}, {longer.c_str(), 201, 127},
        {longer.c_str(), 5, 5}, {nullptr, 128, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(osziSampleCount(c.text, c.capacity), c.count) << "capacity " << c.capacity;
    }
}

TEST(Oszi, PointsOfSamples) {
    struct Case { std::size_t index; char byte; OsziPoint point; };
    const Case cases[] = {
        {0, '\x40', {4, 64}}, {126, '\x40', {130, 64}}, {5, '\x80', {9, 0}}, {7, '\x01', {11, 127}},
        {0, '\xC8', {4, -72}},   // read unsigned: 200 lies above the top edge
        {1, '\xFF', {5, -127}},
    };
    for (const Case& c : cases) {
        const OsziPoint p = osziPoint(c.index, c.byte);
        EXPECT_EQ(p, c.point) << "sample " << +static_cast<unsigned char>(c.byte) << " gave " << p.x << "," << p.y;
    }
}

}  // namespace
