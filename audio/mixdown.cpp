#include "mixdown.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kStereoFrameBytes = 4;

// A side's sum saturates instead of wrapping, so two loud channels give a clipped
// peak rather than full-scale crackle.
std::int16_t narrow16(std::int32_t sum) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(sum, -32768, 32767));
}

void storeSample(std::byte* at, std::int16_t sample) {
    const auto bits = static_cast<std::uint16_t>(sample);
    at[0] = static_cast<std::byte>(bits & 0xFF);
    at[1] = static_cast<std::byte>(bits >> 8);
}

// v is the sample's top 16 bits as an unsigned number (0..65535): both bytes of a
// 16-bit sample, the middle and high byte of a 24-bit one (the low byte dropped).
std::uint16_t topBits(const std::byte* sample, int bytesPerSample) {
    const std::byte* top = sample + (bytesPerSample - 2);
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(top[0]) | (std::to_integer<unsigned>(top[1]) << 8));
}

}  // namespace

std::int32_t LevelFromMean(std::uint32_t m) {
    return static_cast<std::int32_t>(-3.0 - 10.0 * std::log10(2055.0 / static_cast<double>(m)));
}

void MixDownBlock(MixOutput& output, AudioBuffer sourceBlock, const WaveFileInfo& format,
                  const ChannelFlags& channelEnabled, ChannelLevels& channelLevel) {
    const int channels = std::clamp(format.channels, 0, kMaxChannels);
    const std::uint32_t outputFrames = format.sampleRate > 0 ? static_cast<std::uint32_t>(format.sampleRate / 10) : 0;
    output.length = outputFrames * kStereoFrameBytes;
    output.buffer = AudioBuffer::allocateZeroed(output.length);
    std::byte* stereo = output.buffer.data();   // null when the memory could not be had: levels only

    // Sums of the zero-or-positive samples of one block; 64-bit so no rate can overflow them.
    std::uint64_t levelSums[kMaxChannels] = {};
    const int bytesPerSample = format.bitsPerSample == 16 ? 2 : format.bitsPerSample == 24 ? 3 : 0;
    // 24-bit sums stop below 32000, so a 24-bit take peaks at a level of 2.
    const std::uint32_t levelCeiling = bytesPerSample == 3 ? 32000 : 32768;

    if (bytesPerSample != 0 && channels > 0) {
        const std::size_t frameBytes = static_cast<std::size_t>(bytesPerSample) * static_cast<std::size_t>(channels);
        // Whole frames inside the block only, and never more than the output holds.
        const std::size_t frames = std::min<std::size_t>(sourceBlock.size() / frameBytes, outputFrames);
        const std::byte* frame = sourceBlock.data();
        for (std::size_t k = 0; k < frames; ++k, frame += frameBytes) {
            std::int32_t leftSum = 0, rightSum = 0;
            bool leftUsed = false, rightUsed = false;
            for (int c = 0; c < channels; ++c) {
                const std::uint16_t v = topBits(frame + c * bytesPerSample, bytesPerSample);
                if (v < levelCeiling) levelSums[c] += v;
                if (channelEnabled[c] == 0) continue;
                // The sample's bit pattern taken as two's complement.
                const std::int32_t sample = static_cast<std::int16_t>(v);
                if (c % 2 == 0) { leftSum += sample; leftUsed = true; }
                else { rightSum += sample; rightUsed = true; }
            }
            if (!stereo) continue;
            // A side with no enabled channel keeps the buffer's zeros.
            if (leftUsed) storeSample(stereo + k * kStereoFrameBytes, narrow16(leftSum));
            if (rightUsed) storeSample(stereo + k * kStereoFrameBytes + 2, narrow16(rightSum));
        }
    }
    sourceBlock.reset();

    // The sums are divided by the output size, four bytes a frame; a block too short
    // to hold one frame counts as silence rather than dividing by zero.
    const std::uint64_t divisor = std::max<std::uint64_t>(output.length, 1);
    for (int c = 0; c < kMaxChannels; ++c) {
        if (c < channels) {
            const std::uint64_t m = std::min<std::uint64_t>(levelSums[c] / divisor + 1, 0xFFFFFFFFu);
            channelLevel[c] = LevelFromMean(static_cast<std::uint32_t>(m));
        } else {
            channelLevel[c] = kLevelAbsent;
        }
    }
}
