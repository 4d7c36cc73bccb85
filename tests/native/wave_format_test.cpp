// The format code's pure arithmetic: which PCM format each code opens, and which code a
// take of each rate plays with.

#include "waveout/wave_format.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct Expected {
    WaveFormatCode code;
    std::uint16_t channels;
    std::uint16_t bits;
    std::uint32_t rate;
    std::uint16_t blockAlign;
    std::uint32_t bytesPerSecond;
};

// Worked out by hand: block alignment = whole bytes per sample x channels, bytes per
// second = block alignment x rate.
const Expected kCodes[] = {
    {818, 2, 16, 44100, 4, 176400},            // 0x332: the player's code for 44100 Hz
    {1074, 2, 16, 48000, 4, 192000},           // 0x432: for 48000 Hz
    {0, 1, 16, 44100, 2, 88200},               // every field at its default
    {0x205, 1, 16, 22050, 2, 44100},           // channel field 5 is not a listed value
    {0x121, 1, 12, 11025, 2, 22050},           // 12 bits take two bytes a sample
    {0x322, 2, 12, 44100, 4, 176400},
    {0x311, 1, 8, 44100, 1, 44100},
    {0x342, 2, 24, 44100, 6, 264600},
    {0x152, 2, 16, 11025, 4, 44100},           // bits field 5 is not listed: 16
    {0x132, 2, 16, 11025, 4, 44100},
    {0x232, 2, 16, 22050, 4, 88200},
    {0x532, 2, 16, 8000, 4, 32000},            // the further rates
    {0x632, 2, 16, 16000, 4, 64000},
    {0x732, 2, 16, 32000, 4, 128000},
    {0x832, 2, 16, 88200, 4, 352800},
    {0x932, 2, 16, 96000, 4, 384000},
    {0xA32, 2, 16, 176400, 4, 705600},
    {0xB32, 2, 16, 192000, 4, 768000},
    {0xC32, 2, 16, 44100, 4, 176400},          // 12 to 14 are not listed: 44100
    {0xD32, 2, 16, 44100, 4, 176400},
    {0xE32, 2, 16, 44100, 4, 176400},
    {0x1332, 2, 16, 44100, 4, 176400},         // bits above 11 are ignored
    {0xFFFFF432u, 2, 16, 48000, 4, 192000},
    {(12000u << 12) | 0xF32, 2, 16, 12000, 4, 48000},   // field 15: the rate follows
    {(37800u << 12) | 0xF41, 1, 24, 37800, 3, 113400},
    {0xF32, 2, 16, 0, 4, 0},                   // field 15 without a rate: nothing a device opens
};

}  // namespace

TEST(WaveFormatCode, EachCodeOpensItsFormat) {
    for (const Expected& e : kCodes) {
        SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << e.code);
        const PcmFormat f = PcmFormatFromCode(e.code);
        EXPECT_EQ(f.formatTag, 1);
        EXPECT_EQ(f.channels, e.channels);
        EXPECT_EQ(f.bitsPerSample, e.bits);
        EXPECT_EQ(f.samplesPerSec, e.rate);
        EXPECT_EQ(f.blockAlign, e.blockAlign);
        EXPECT_EQ(f.avgBytesPerSec, e.bytesPerSecond);
    }
}

TEST(WaveFormatCode, ListedRatesUseTheirField) {
    EXPECT_EQ(FormatCodeForRate(44100), 818u);
    EXPECT_EQ(FormatCodeForRate(48000), 1074u);
    EXPECT_EQ(FormatCodeForRate(11025), 0x132u);
    EXPECT_EQ(FormatCodeForRate(22050), 0x232u);
    EXPECT_EQ(FormatCodeForRate(8000), 0x532u);
    EXPECT_EQ(FormatCodeForRate(16000), 0x632u);
    EXPECT_EQ(FormatCodeForRate(32000), 0x732u);
    EXPECT_EQ(FormatCodeForRate(88200), 0x832u);
    EXPECT_EQ(FormatCodeForRate(96000), 0x932u);
    EXPECT_EQ(FormatCodeForRate(176400), 0xA32u);
    EXPECT_EQ(FormatCodeForRate(192000), 0xB32u);
}

TEST(WaveFormatCode, OtherRatesAreCarriedWholeInTheHighBits) {
    EXPECT_EQ(FormatCodeForRate(12000), (12000u << 12) | 0xF32u);
    EXPECT_EQ(FormatCodeForRate(1), (1u << 12) | 0xF32u);
    EXPECT_EQ(FormatCodeForRate(1000000), (1000000u << 12) | 0xF32u);
    EXPECT_EQ(FormatCodeForRate(1048575), 0xFFFFFF32u);
}

TEST(WaveFormatCode, RatesNoCodeCanCarryOpenNothing) {
    for (std::int32_t rate : {0, -1, -44100, 1048576, 2000000}) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(FormatCodeForRate(rate), 0xF32u);
        EXPECT_EQ(PcmFormatFromCode(FormatCodeForRate(rate)).samplesPerSec, 0u);
    }
}

// Whatever the take's rate, the player opens 16-bit stereo at exactly that rate.
TEST(WaveFormatCode, EveryPlayableRateOpensStereo16AtItsOwnRate) {
    for (std::int32_t rate = 1; rate <= 1000000; rate += (rate < 200000 ? 7 : 997)) {
        const PcmFormat f = PcmFormatFromCode(FormatCodeForRate(rate));
        ASSERT_EQ(f.samplesPerSec, static_cast<std::uint32_t>(rate));
        ASSERT_EQ(f.channels, 2);
        ASSERT_EQ(f.bitsPerSample, 16);
        ASSERT_EQ(f.blockAlign, 4);
        ASSERT_EQ(f.avgBytesPerSec, 4u * static_cast<std::uint32_t>(rate));
    }
    for (std::int32_t rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000}) {
        EXPECT_EQ(PcmFormatFromCode(FormatCodeForRate(rate)).samplesPerSec, static_cast<std::uint32_t>(rate));
        EXPECT_NE((FormatCodeForRate(rate) >> 8) & 0xF, 15u) << rate << " Hz has a field value of its own";
    }
}
