// Mix-down of generated blocks into 16-bit stereo and the per-channel level values.

#include "audio/audio_buffer.h"
#include "audio/mixdown.h"
#include "audio/wave_file_info.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace wavetest;

namespace {

WaveFileInfo format(int channels, int bits, int rate, SampleFormat sampleFormat = SampleFormat::Pcm) {
    WaveFileInfo f;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.sampleRate = rate;
    f.sampleFormat = sampleFormat;
    return f;
}

AudioBuffer blockOf(const Bytes& pcm) {
    AudioBuffer block = AudioBuffer::allocateUninitialised(pcm.size());
    std::memcpy(block.data(), pcm.data(), pcm.size());
    return block;
}

// Every frame holds the same value per channel; for 24 bits the value is the top 16 bits
// and the low byte is 0xA5, which the mix drops.
Bytes constantPcm(int bits, std::size_t frames, const std::vector<std::int32_t>& perChannel) {
    return makePcm(static_cast<int>(perChannel.size()), bits, frames, [&](std::size_t, int c) {
        const std::int32_t v = perChannel[static_cast<std::size_t>(c)];
        return bits == 24 ? static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << 8) | 0xA5 : v;
    });
}

ChannelFlags allOn() { ChannelFlags f; f.fill(1); return f; }

struct Mixed {
    std::vector<std::int16_t> left, right;
    ChannelLevels levels{};
    std::size_t bufferSize = 0;
};

Mixed mix(const WaveFileInfo& f, const Bytes& pcm, const ChannelFlags& enabled) {
    const int live = AudioBuffer::liveCount();
    MixOutput out;
    Mixed m;
    m.levels.fill(12345);   // whatever the caller left there is overwritten
    MixDownBlock(out, blockOf(pcm), f, enabled, m.levels);
    EXPECT_EQ(AudioBuffer::liveCount(), live + 1);   // the source block is gone, the output is new
    m.bufferSize = out.buffer.size();
    const Bytes bytes = copyBytes(out.buffer.data(), out.buffer.size());
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        m.left.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
        m.right.push_back(static_cast<std::int16_t>(bytes[i + 2] | bytes[i + 3] << 8));
    }
    out.buffer.reset();
    EXPECT_EQ(AudioBuffer::liveCount(), live);
    return m;
}

bool allEqual(const std::vector<std::int16_t>& samples, std::int16_t value) {
    for (std::int16_t s : samples)
        if (s != value) return false;
    return !samples.empty();
}

}  // namespace

TEST(MixDown, SidesAreSignedSumsThatSaturate) {
    struct Row {
        const char* name;
        int bits;
        std::vector<std::int32_t> values;   // per channel
        ChannelFlags enabled;
        std::int16_t left, right;
    };
    const ChannelFlags none{};
    const Row rows[] = {
        {"20000 + 20000 left, -20000 + -20000 right", 16, {20000, -20000, 20000, -20000}, allOn(), 32767, -32768},
        {"-1 + 5 is 4; 30000 - 30000 is 0", 16, {-1, 30000, 5, -30000}, allOn(), 4, 0},
        {"eight channels of 30000", 16, std::vector<std::int32_t>(8, 30000), allOn(), 32767, 32767},
        {"a switch off takes its channel out", 16, {1234, -4321}, ChannelFlags{0, 1}, 0, -4321},
        {"mono feeds only the left side", 16, {-1234}, allOn(), -1234, 0},
        {"all switches off: silence", 16, {20000, -20000, 7, 9}, none, 0, 0},
        {"24 bits: the top 16 bits are mixed and saturate", 24, {20000, -7, 20000, 32100}, allOn(), 32767, 32093},
        {"six channels: 1, 3, 5 left; 2, 4, 6 right", 16, {1, 10, 100, 1000, 10000, -20000}, allOn(), 10101, -18990},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int channels = static_cast<int>(row.values.size());
        const Mixed m = mix(format(channels, row.bits, 48000), constantPcm(row.bits, 4800, row.values), row.enabled);
        EXPECT_EQ(m.bufferSize, 19200u);
        EXPECT_TRUE(allEqual(m.left, row.left)) << "left[0] " << (m.left.empty() ? 0 : m.left[0]);
        EXPECT_TRUE(allEqual(m.right, row.right)) << "right[0] " << (m.right.empty() ? 0 : m.right[0]);
    }
}

TEST(MixDown, LevelsCountOnlyNonNegativeSamples) {
    // A constant sample v in every frame: sum = frames * v, length = 4 * frames, so m = v / 4 + 1.
    struct Row { const char* name; int bits; std::int32_t v; std::int32_t level; };
    const Row rows[] = {
        {"silence, m = 1", 16, 0, -36},
        {"-1 is never counted", 16, -1, -36},
        {"-32768 is never counted", 16, -32768, -36},
        {"8216: m = 2055", 16, 8216, -3},
        {"8220: m = 2056", 16, 8220, -2},
        {"16380: m = 4096", 16, 16380, 0},
        {"32767: m = 8192", 16, 32767, 3},
        {"24 bits, top 31999: m = 8000, 2.90 -> 2", 24, 31999, 2},
        {"24 bits, top 32100 is not counted", 24, 32100, -36},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Mixed m = mix(format(1, row.bits, 48000), constantPcm(row.bits, 4800, {row.v}), allOn());
        EXPECT_EQ(m.levels[0], row.level);
        EXPECT_TRUE(allEqual(m.left, static_cast<std::int16_t>(row.v)));   // mixed whatever its level
        for (int c = 1; c < kMaxChannels; ++c) EXPECT_EQ(m.levels[static_cast<std::size_t>(c)], kLevelAbsent);
    }
}

TEST(MixDown, SwitchesDecideHearingNotMeasuring) {
    // Stereo at 48 kHz: left channel all 32767 (m = 8192 -> 3), right a full-scale square
    // (half 32767, half -32768: sum 2400 * 32767 / 19200 = 4095, m = 4096 -> 0).
    const Bytes pcm = makePcm(2, 16, 4800, [](std::size_t f, int c) { return c == 0 || f % 2 ? 32767 : -32768; });
    for (const ChannelFlags& enabled : {allOn(), ChannelFlags{}}) {
        const Mixed m = mix(format(2, 16, 48000), pcm, enabled);
        EXPECT_EQ(m.levels[0], 3);
        EXPECT_EQ(m.levels[1], 0);
        if (enabled[0]) {
            EXPECT_TRUE(allEqual(m.left, 32767));
            EXPECT_EQ(m.right[0], -32768);
            EXPECT_EQ(m.right[1], 32767);
        } else {
            EXPECT_TRUE(allEqual(m.left, 0));
            EXPECT_TRUE(allEqual(m.right, 0));
        }
    }
}

TEST(MixDown, EverySampleFormatMixesAsItsSixteenBitValue) {
    // Each channel holds one raw sample in every frame of 4800 at 48 kHz; the 16-bit value
    // it mixes as is worked out by hand, and its level from m = value / 4 + 1 for values
    // from 0 (negative ones are not counted: m = 1, level -36).
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Row {
        const char* name;
        int bits;
        SampleFormat sampleFormat;
        std::vector<std::int32_t> raw;       // per channel
        std::int16_t left, right;
        std::vector<std::int32_t> levels;    // per channel
    };
    const SampleFormat pcm = SampleFormat::Pcm, ieee = SampleFormat::Float;
    const Row rows[] = {
        {"8 bits: (u - 128) * 256 for 0, 128", 8, pcm, {0, 128}, -32768, 0, {-36, -36}},
        {"8 bits: 129 is 256 (m 65), 255 is 32512 (m 8129)", 8, pcm, {129, 255}, 256, 32512, {-17, 2}},
        {"32 bits: v >> 16 of 0x7FFFFFFF, 0x80000000", 32, pcm, {0x7FFFFFFF, INT32_MIN}, 32767, -32768, {3, -36}},
        {"32 bits: 0x12345678 is 0x1234 (m 1166), -1 stays -1", 32, pcm, {0x12345678, -1}, 4660, -1, {-5, -36}},
        {"32 bits: 0x00018000 is 1", 32, pcm, {0x00018000}, 1, 0, {-36}},
        {"float: 0.5 is 16384 (m 4097), -0.5 is -16384", 32, ieee, {floatBits(0.5f), floatBits(-0.5f)}, 16384, -16384, {0, -36}},
        {"float: 1.0 is held to 32767, -1.0 is -32768", 32, ieee, {floatBits(1.0f), floatBits(-1.0f)}, 32767, -32768, {3, -36}},
        {"float: 0.1 is floor(3276.8), -0.1 is floor(-3276.8)", 32, ieee, {floatBits(0.1f), floatBits(-0.1f)}, 3276, -3277, {-6, -36}},
        {"float: 1e-9 is 0, -1e-9 floors to -1", 32, ieee, {floatBits(1e-9f), floatBits(-1e-9f)}, 0, -1, {-36, -36}},
        {"float: 2.0 and -3.0 are held", 32, ieee, {floatBits(2.0f), floatBits(-3.0f)}, 32767, -32768, {3, -36}},
        {"float: infinities are held (32767 - 32768), NaN is silence", 32, ieee,
         {floatBits(inf), floatBits(nan), floatBits(-inf)}, -1, 0, {3, -36, -36}},
        {"float: 0.75 + 0.75 saturates; 0.25 + -0.125 is 8192 - 4096", 32, ieee,
         {floatBits(0.75f), floatBits(0.25f), floatBits(0.75f), floatBits(-0.125f)}, 32767, 4096, {1, -3, 1, -36}},
        {"8 bits: 255 + 255 saturates; 0 + 1 is -32768 - 32512", 8, pcm, {255, 0, 255, 1}, 32767, -32768, {2, -36, 2, -36}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int channels = static_cast<int>(row.raw.size());
        const Bytes pcmBytes = makePcm(channels, row.bits, 4800, [&](std::size_t, int c) { return row.raw[static_cast<std::size_t>(c)]; });
        const Mixed m = mix(format(channels, row.bits, 48000, row.sampleFormat), pcmBytes, allOn());
        EXPECT_TRUE(allEqual(m.left, row.left)) << "left[0] " << (m.left.empty() ? 0 : m.left[0]);
        EXPECT_TRUE(allEqual(m.right, row.right)) << "right[0] " << (m.right.empty() ? 0 : m.right[0]);
        for (int c = 0; c < kMaxChannels; ++c) {
            const std::int32_t want = c < channels ? row.levels[static_cast<std::size_t>(c)] : kLevelAbsent;
            EXPECT_EQ(m.levels[static_cast<std::size_t>(c)], want) << "channel " << c;
        }
    }
}

TEST(MixDown, FormatsTheMixCannotReadGiveSilence) {
    const struct { int channels, bits; SampleFormat sampleFormat; bool playable; } rows[] = {
        {2, 12, SampleFormat::Pcm, false},  {2, 40, SampleFormat::Pcm, false},  {2, 16, SampleFormat::Float, false},
        {2, 64, SampleFormat::Float, false}, {6, 16, SampleFormat::Pcm, true},  {6, 24, SampleFormat::Pcm, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.channels) + " channels, " + std::to_string(row.bits) + " bits");
        // Every byte 0x30: 16 bits read 12336, 24 bits have the top 16 bits 12336: m = 3085 -> -1;
        // three channels of 12336 a side saturate.
        const Bytes pcm = makePcm(row.channels, row.bits, 4410, [](std::size_t, int) { return 0x30303030; });
        const Mixed m = mix(format(row.channels, row.bits, 44100, row.sampleFormat), pcm, allOn());
        for (int c = 0; c < kMaxChannels; ++c) {
            const std::int32_t want = c >= row.channels ? kLevelAbsent : row.playable ? -1 : -36;
            EXPECT_EQ(m.levels[static_cast<std::size_t>(c)], want) << "channel " << c;
        }
        EXPECT_TRUE(allEqual(m.left, row.playable ? 32767 : 0));
        EXPECT_TRUE(allEqual(m.right, row.playable ? 32767 : 0));
    }
}

TEST(MixDown, OutputIsOneTenthSecondFromWholeFramesOnly) {
    const struct { int rate; std::uint32_t bytes; } rates[] = {{44100, 17640}, {48000, 19200}, {22050, 8820}};
    for (const auto& [rate, bytes] : rates) {
        const Mixed m = mix(format(2, 16, rate), distinctPcm(2, 16, static_cast<std::size_t>(rate / 10)), allOn());
        EXPECT_EQ(m.bufferSize, bytes) << rate;
    }

    // 2.5 frames of stereo 16 bits: two frames are mixed, the half frame is not read.
    const Mixed shortBlock = mix(format(2, 16, 1000), Bytes{1, 0, 2, 0, 3, 0, 4, 0, 5, 0}, allOn());
    ASSERT_EQ(shortBlock.left.size(), 100u);
    EXPECT_EQ(shortBlock.left[0], 1);
    EXPECT_EQ(shortBlock.right[0], 2);
    EXPECT_EQ(shortBlock.left[1], 3);
    EXPECT_EQ(shortBlock.right[1], 4);
    EXPECT_EQ(shortBlock.left[2], 0);

    // A block twice the expected length still gives 100 frames, the first 100 of the block.
    const Mixed longBlock = mix(format(1, 16, 1000), makePcm(1, 16, 200, [](std::size_t f, int) {
        return static_cast<std::int32_t>(f) + 1;
    }), allOn());
    ASSERT_EQ(longBlock.bufferSize, 400u);
    ASSERT_EQ(longBlock.left.size(), 100u);
    EXPECT_EQ(longBlock.left[0], 1);
    EXPECT_EQ(longBlock.left[99], 100);
}

TEST(MixDown, LevelFromMeanReferencePoints) {
    // -3 - 10 * log10(2055 / m), truncated toward zero (so 4095 and 100 round up).
    const struct { std::uint32_t m; std::int32_t level; } rows[] = {
        {1, -36}, {100, -16}, {2054, -3}, {2055, -3}, {2056, -2}, {4095, 0}, {4096, 0}, {8192, 3}, {65535, 12}};
    for (const auto& row : rows) EXPECT_EQ(LevelFromMean(row.m), row.level) << "m = " << row.m;
}

TEST(AudioBuffer, LiveCountFollowsOwnership) {
    const int live = AudioBuffer::liveCount();
    {
        AudioBuffer a = AudioBuffer::allocateZeroed(64);
        ASSERT_EQ(a.size(), 64u);
        EXPECT_EQ(a.data()[63], std::byte{0});
        AudioBuffer b = std::move(a);     // a move hands over and counts nothing
        std::byte* raw = b.release();     // queued on a device: still live, no owner
        EXPECT_TRUE(b.empty());
        EXPECT_EQ(AudioBuffer::liveCount(), live + 1);
        AudioBuffer c = AudioBuffer::allocateUninitialised(16);
        EXPECT_EQ(AudioBuffer::liveCount(), live + 2);
        c = AudioBuffer::adopt(raw, 64);  // the 16 bytes are freed, the 64 come back
        EXPECT_EQ(c.data(), raw);
        EXPECT_EQ(AudioBuffer::liveCount(), live + 1);
    }
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

TEST(MixDown, TakesOfMoreThanEightChannelsMixByTheSameRule) {
    // Every frame of 4800 at 48 kHz holds raw(c) on channel index c; the 16-bit value it mixes
    // as and its level are worked out by hand: 1000 -> m 251, level -12; 8216 -> -3; 16380 -> 0;
    // 8-bit 129 -> 256, m 65, -17; float 1/32 -> 1024, m 257, -12; 32-bit 0x12345678 -> 4660,
    // m 1166, -5; any negative value -> -36.
    using Value = std::int32_t (*)(int c);
    struct Row {
        const char* name;
        int channels, bits;
        SampleFormat sampleFormat;
        Value raw;
        std::vector<int> off;      // channel numbers switched off, from 1
        std::int16_t left, right;
        Value level;
    };
    const SampleFormat pcm = SampleFormat::Pcm, ieee = SampleFormat::Float;
    const Row rows[] = {
        {"16 channels: 1000 on odd ones, -1000 on even, 8216 on 9, 16380 on 16: 7000 + 8216, -7000 + 16380", 16, 16, pcm,
         [](int c) { return c == 8 ? 8216 : c == 15 ? 16380 : c % 2 == 0 ? 1000 : -1000; }, {}, 15216, 9380,
         [](int c) { return c == 8 ? -3 : c == 15 ? 0 : c % 2 == 0 ? -12 : -36; }},
        {"the same with 9 and 16 switched off: heard no more, still measured", 16, 16, pcm,
         [](int c) { return c == 8 ? 8216 : c == 15 ? 16380 : c % 2 == 0 ? 1000 : -1000; }, {9, 16}, 7000, -7000,
         [](int c) { return c == 8 ? -3 : c == 15 ? 0 : c % 2 == 0 ? -12 : -36; }},
        {"64 channels of 1000: 32 a side", 64, 16, pcm, [](int) { return 1000; }, {}, 32000, 32000, [](int) { return -12; }},
        {"64 channels of 1000 and -1000 with 1 and 2 off: 31 a side", 64, 16, pcm,
         [](int c) { return c % 2 == 0 ? 1000 : -1000; }, {1, 2}, 31000, -31000, [](int c) { return c % 2 == 0 ? -12 : -36; }},
        {"64 channels of 1025 and -1025: each side saturates once", 64, 16, pcm,
         [](int c) { return c % 2 == 0 ? 1025 : -1025; }, {}, 32767, -32768, [](int c) { return c % 2 == 0 ? -12 : -36; }},
        {"64 channels of 24 bits, top 16 bits 1000", 64, 24, pcm, [](int) { return (1000 << 8) | 0xA5; }, {}, 32000, 32000,
         [](int) { return -12; }},
        {"12 channels of 8 bits at 129", 12, 8, pcm, [](int) { return 129; }, {}, 1536, 1536, [](int) { return -17; }},
        {"24 channels of float 1/32", 24, 32, ieee, [](int) { return floatBits(0.03125f); }, {}, 12288, 12288,
         [](int) { return -12; }},
        {"10 channels of 32 bits", 10, 32, pcm, [](int) { return 0x12345678; }, {}, 23300, 23300, [](int) { return -5; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ChannelFlags enabled = allOn();
        for (const int channel : row.off) enabled[static_cast<std::size_t>(channel - 1)] = 0;
        const Bytes pcmBytes = makePcm(row.channels, row.bits, 4800, [&](std::size_t, int c) { return row.raw(c); });
        const Mixed m = mix(format(row.channels, row.bits, 48000, row.sampleFormat), pcmBytes, enabled);
        EXPECT_EQ(m.bufferSize, 19200u);
        EXPECT_TRUE(allEqual(m.left, row.left)) << "left[0] " << (m.left.empty() ? 0 : m.left[0]);
        EXPECT_TRUE(allEqual(m.right, row.right)) << "right[0] " << (m.right.empty() ? 0 : m.right[0]);
        for (int c = 0; c < kMaxTakeChannels; ++c)
            EXPECT_EQ(m.levels[static_cast<std::size_t>(c)], c < row.channels ? row.level(c) : kLevelAbsent) << "channel " << c + 1;
    }
}
