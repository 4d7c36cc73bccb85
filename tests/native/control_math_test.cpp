// The controls' arithmetic: text to number against the C library, meter units and rows,
// slider mappings, clamping, narrowing and the report encoding.

#include "controls/control_math.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace controls;

namespace {

TEST(AtoiLike, AgreesWithTheCLibrary) {
    const char* const texts[] = {
        "", "0", "7", "-7", "+7", "12", "-12", " -12abc", "abc", "-", "+", "+-3", "-+3", "--3", " ",
        "\t\n\v\f\r 42", "42 ", "4 2", "0042", "-0", "+0", "00", "-48", "-100", "255", "256", "32767",
        "32768", "-32768", "-32769", "65535", "65536", "70000", "-70000", "2147483647", "-2147483647",
        "-2147483648", "1e3", "0x1F", "12.9", "-12.9", " +  5", "\x01" "5", "5\x01", "9abc", "-a1",
        "\xe4" "3", "\xa0" "8",
    };
    for (const char* text : texts) {
        EXPECT_EQ(atoiLike(text), std::atoi(text)) << "text \"" << text << "\"";
    }
}

TEST(AtoiLike, SmallCasesByHand) {
    EXPECT_EQ(atoiLike(""), 0);
    EXPECT_EQ(atoiLike("letters"), 0);
    EXPECT_EQ(atoiLike("-"), 0);
    EXPECT_EQ(atoiLike(" -12ab"), -12);
    EXPECT_EQ(atoiLike("+7"), 7);
    EXPECT_EQ(atoiLike(nullptr), 0);
    static_assert(atoiLike("-2147483648") == INT32_MIN);
}

TEST(Narrow16, KeepsTheLowSixteenBitsSigned) {
    EXPECT_EQ(narrow16(0), 0);
    EXPECT_EQ(narrow16(-1), -1);
    EXPECT_EQ(narrow16(32767), 32767);
    EXPECT_EQ(narrow16(32768), -32768);
    EXPECT_EQ(narrow16(65535), -1);
    EXPECT_EQ(narrow16(65536), 0);
    EXPECT_EQ(narrow16(70000), 4464);       // 70000 - 65536
    EXPECT_EQ(narrow16(-70000), -4464);
    EXPECT_EQ(narrow16(-32769), 32767);
}

TEST(MeterUnits, FromDecibels) {
    struct Case { std::int32_t db; std::uint16_t units; };
    // floor((db + 48)^2 / 9), worked by hand.
    const Case cases[] = {
        {0, 256}, {5, 256}, {1000, 256}, {-1, 245}, {-2, 235}, {-3, 225}, {-6, 196}, {-12, 144},
        {-24, 64}, {-40, 7}, {-41, 5}, {-42, 4}, {-47, 0}, {-48, 0}, {-100, 0}, {INT32_MIN, 0},
        {-36, 16}, {-45, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(meterUnitsFromDb(c.db), c.units) << c.db << " dB";
    }
    EXPECT_EQ(meterUnitsFromText("no digits"), 256);
    EXPECT_EQ(meterUnitsFromText(" -12 dB"), 144);
    EXPECT_EQ(meterUnitsFromText("-48"), 0);
    EXPECT_EQ(meterUnitsFromText(""), 256);
}

TEST(MeterBoundary, RowsForFiftySixRows) {
    EXPECT_EQ(meterBoundaryRow(0, 56), 55);
    EXPECT_EQ(meterBoundaryRow(256, 56), 1);
    EXPECT_EQ(meterBoundaryRow(196, 56), 13);
    EXPECT_EQ(meterBoundaryRow(144, 56), 24);
    EXPECT_EQ(meterBoundaryRow(64, 56), 41);
    EXPECT_EQ(meterBoundaryRow(4, 56), 54);   // 55 - ceil(216 / 256)
    EXPECT_EQ(meterBoundaryRow(5, 56), 53);   // 55 - ceil(270 / 256)
}

TEST(MeterBoundary, IsTheCeilingFormula) {
    for (int h = 2; h <= 120; ++h) {
        for (int v = 0; v <= 256; ++v) {
            const int product = v * (h - 2);
            const int ceiling = (product + 255) / 256;
            ASSERT_EQ(meterBoundaryRow(static_cast<std::uint16_t>(v), h), (h - 1) - ceiling)
                << "v " << v << " h " << h;
        }
    }
}

TEST(MeterHold, ShownOnlyAboveLevelPlusTwo) {
    EXPECT_FALSE(meterShowsHold(4, 5));
    EXPECT_FALSE(meterShowsHold(4, 6));
    EXPECT_TRUE(meterShowsHold(4, 7));
    EXPECT_TRUE(meterShowsHold(0, 64));
    EXPECT_FALSE(meterShowsHold(64, 0));
    EXPECT_FALSE(meterShowsHold(256, 256));
}

TEST(SliderMapping, RangeZeroToHundredAtWidth210) {
    EXPECT_EQ(sliderPositionFromValue(50, 0, 100, 210), 105);
    EXPECT_EQ(sliderPositionFromValue(33, 0, 100, 210), 71);
    EXPECT_EQ(sliderPositionFromValue(51, 0, 100, 210), 107);
    EXPECT_EQ(sliderPositionFromValue(0, 0, 100, 210), 5);
    EXPECT_EQ(sliderPositionFromValue(100, 0, 100, 210), 205);
    EXPECT_EQ(sliderValueFromPosition(106, 0, 100, 210), 51);   // 50.5 rounds up
    EXPECT_EQ(sliderValueFromPosition(105, 0, 100, 210), 50);
    EXPECT_EQ(sliderValueFromPosition(sliderClampX(2, 210), 0, 100, 210), 0);
    EXPECT_EQ(sliderValueFromPosition(sliderClampX(300, 210), 0, 100, 210), 100);
}

TEST(SliderMapping, RangeZeroToSixHundredAtWidth210) {
    EXPECT_EQ(sliderValueFromPosition(38, 0, 600, 210), 99);
    EXPECT_EQ(sliderPositionFromValue(99, 0, 600, 210), 38);
    EXPECT_EQ(sliderValueFromPosition(105, 0, 600, 210), 300);
    EXPECT_EQ(sliderPositionFromValue(300, 0, 600, 210), 105);
}

TEST(SliderMapping, NegativeRangeAndTruncationTowardZero) {
    // Range -127..127 at W 110: travel 100 over 254 values.
    EXPECT_EQ(sliderPositionFromValue(0, -127, 127, 110), 55);     // 5 + 12700 / 254 = 5 + 50
    EXPECT_EQ(sliderPositionFromValue(-126, -127, 127, 110), 5);   // 100 / 254 = 0.39 -> 0
    EXPECT_EQ(sliderValueFromPosition(55, -127, 127, 110), 0);     // 127 + 0.5 -> 127
    EXPECT_EQ(sliderValueFromPosition(6, -127, 127, 110), -124);   // 2.54 + 0.5 -> 3
    // Inverted range: the product and the divisor are negative; the quotient truncates.
    EXPECT_EQ(sliderPositionFromValue(-20, 10, -20, 210), 205);
    EXPECT_EQ(sliderValueFromPosition(105, 10, -20, 210), -4);     // 10 + trunc(-15 + 0.5)
}

TEST(SliderMapping, FullSixteenBitRangeDoesNotOverflow) {
    EXPECT_EQ(sliderPositionFromValue(32767, -32768, 32767, 30000), 29995);
    EXPECT_EQ(sliderValueFromPosition(29995, -32768, 32767, 30000), 32767);
    EXPECT_EQ(sliderValueFromPosition(5, -32768, 32767, 30000), -32768);
}

TEST(SliderMapping, NothingToTravelGivesLeftEndAndMinimum) {
    EXPECT_TRUE(sliderDegenerate(7, 7, 210));
    EXPECT_TRUE(sliderDegenerate(0, 100, 10));
    EXPECT_FALSE(sliderDegenerate(0, 100, 3)) << "narrower than 10: the formulas, dividing by W - 10 < 0";
    EXPECT_FALSE(sliderDegenerate(0, 100, 11));
    EXPECT_EQ(sliderPositionFromValue(60, 0, 100, 3), 1);   // 5 + trunc(60 * -7 / 100) = 5 - 4
    EXPECT_EQ(sliderValueFromPosition(4, 0, 100, 3), 14);   // trunc(-100 / -7 + 0.5) = trunc(14.79)
    EXPECT_EQ(sliderPositionFromValue(7, 7, 7, 210), 5);
    EXPECT_EQ(sliderValueFromPosition(150, 7, 7, 210), 7);
    EXPECT_EQ(sliderPositionFromValue(60, 0, 100, 10), 5);
    EXPECT_EQ(sliderValueFromPosition(5, 0, 100, 10), 0);
    EXPECT_EQ(sliderValueFromPosition(5, -3, 100, 0), -3);
    EXPECT_EQ(sliderClampX(100, 10), 5);
    EXPECT_EQ(sliderClampX(-4, 8), 5);
}

TEST(SliderKeys, StepsTakeEachLimitAsWritten) {
    struct Case { std::int16_t value; bool increase; std::int16_t minimum, maximum, next; };
    const Case cases[] = {
        {99, true, 0, 100, 100},  {100, true, 0, 100, 100},  {0, false, 0, 100, 0},
        {32767, true, -32768, 32767, 32767},  {-32768, false, -32768, 32767, -32768},
        {40, false, 60, 40, 60},  {40, true, 60, 40, 40},   // inverted: 39 is below 60, 41 above 40
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sliderKeyStep(c.value, c.increase, c.minimum, c.maximum), c.next)
            << c.value << (c.increase ? " right" : " left") << " in " << c.minimum << ".." << c.maximum;
    }
}

TEST(SliderClamp, PointerAndValue) {
    EXPECT_EQ(sliderClampX(2, 210), 5);
    EXPECT_EQ(sliderClampX(300, 210), 205);
    EXPECT_EQ(sliderClampX(-32768, 210), 5);
    EXPECT_EQ(sliderClampX(106, 210), 106);
    EXPECT_EQ(sliderClampValue(50, 0, 40), 40);
    EXPECT_EQ(sliderClampValue(-5, 0, 40), 0);
    EXPECT_EQ(sliderClampValue(20, 0, 40), 20);
    EXPECT_EQ(sliderClampValue(20, 30, 10), 10);   // inverted: minimum first, then maximum
    EXPECT_EQ(sliderClampValue(0, 30, 10), 10);
}

TEST(SliderReport, SignExtendedWithReleaseBit) {
    EXPECT_EQ(sliderReport(50, false), 0x32);
    EXPECT_EQ(sliderReport(50, true), 0x10032);
    EXPECT_EQ(sliderReport(0, true), 0x10000);
    EXPECT_EQ(static_cast<std::uint32_t>(sliderReport(-5, false)), 0xFFFFFFFBu);
    EXPECT_EQ(static_cast<std::uint32_t>(sliderReport(-5, true)), 0xFFFFFFFBu);
    EXPECT_EQ(static_cast<std::uint32_t>(sliderReport(-32768, true)), 0xFFFF8000u);
    EXPECT_EQ(sliderReport(32767, true), 0x17FFF);
}

}  // namespace
