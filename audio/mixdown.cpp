#include "mixdown.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <span>

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

std::uint32_t byteAt(const std::byte* sample, int index) { return std::to_integer<std::uint32_t>(sample[index]); }

// Each sample format turns a sample into the 16-bit value it mixes as, and says below
// which value a non-negative sample still counts towards the level.
struct Unsigned8 {
    static constexpr int kBytes = 1;
    static constexpr std::int32_t kLevelCeiling = 32768;
    static std::int32_t value(const std::byte* sample) { return (static_cast<std::int32_t>(byteAt(sample, 0)) - 128) * 256; }
};

// Integer samples of 16, 24 and 32 bits mix as their top 16 bits: the low bytes are dropped.
template <int Bytes>
struct TopBits {
    static constexpr int kBytes = Bytes;
    // 24-bit sums stop below 32000, so a 24-bit take peaks at a level of 2.
    static constexpr std::int32_t kLevelCeiling = Bytes == 3 ? 32000 : 32768;
    static std::int32_t value(const std::byte* sample) {
        return static_cast<std::int16_t>(byteAt(sample, Bytes - 2) | (byteAt(sample, Bytes - 1) << 8));
    }
};

// floor(x * 32768) held to the 16-bit range. Scaling by a power of two is exact in float,
// so the floor is that of the true product; NaN mixes as silence, infinities are held.
struct Float32 {
    static constexpr int kBytes = 4;
    static constexpr std::int32_t kLevelCeiling = 32768;
    static std::int32_t value(const std::byte* sample) {
        const std::uint32_t bits = byteAt(sample, 0) | (byteAt(sample, 1) << 8) | (byteAt(sample, 2) << 16) | (byteAt(sample, 3) << 24);
        const float scaled = std::bit_cast<float>(bits) * 32768.0f;
        if (scaled >= 32767.0f) return 32767;
        if (scaled >= -32768.0f) {
            // The conversion cuts toward zero; a negative value with a fraction goes one lower.
            // (std::floor is a library call on processors without a rounding instruction.)
            const auto whole = static_cast<std::int32_t>(scaled);
            return whole - static_cast<std::int32_t>(static_cast<float>(whole) > scaled);
        }
        return scaled < 0.0f ? -32768 : 0;   // below the range, or NaN
    }
};

// Channel counts up to this have a loop of their own (below); more channels, and takes of
// several files, go through one loop for any count.
constexpr int kChannelsWithOwnLoop = 8;

struct MixTarget {
    std::byte* stereo;                        // null: levels only
    std::uint64_t* levelSums;                 // per channel, of the values from 0 to below the ceiling
    std::int32_t heardMask[kChannelsWithOwnLoop];   // all ones for an enabled channel, else 0
    bool leftUsed, rightUsed;                 // a side with no enabled channel keeps the buffer's zeros
};

// Frames whose level sums fit 32 bits: 65536 values below 32768.
constexpr std::size_t kLevelRun = 65536;

// One loop per sample format and channel count, so the conversion is inlined and the
// channel loop unrolled with each channel's side known, rather than chosen per sample.
template <class Format, int Channels>
void mixFrames(const std::byte* frame, std::size_t frames, const MixTarget& target) {
    // Local copies: the compiler cannot tell that the output's byte stores leave them alone.
    std::int32_t heardMask[Channels];
    for (int c = 0; c < Channels; ++c) heardMask[c] = target.heardMask[c];
    std::byte* const stereo = target.stereo;
    const bool leftUsed = target.leftUsed, rightUsed = target.rightUsed;
    constexpr std::size_t frameBytes = static_cast<std::size_t>(Format::kBytes) * Channels;

    for (std::size_t runStart = 0; runStart < frames; runStart += kLevelRun) {
        const std::size_t runEnd = std::min(frames, runStart + kLevelRun);
        std::uint32_t levelSums[Channels] = {};
        for (std::size_t k = runStart; k < runEnd; ++k, frame += frameBytes) {
            std::int32_t leftSum = 0, rightSum = 0;
            // Unrolled, so each channel's side is a constant rather than a test per sample.
#pragma GCC unroll 8
            for (int c = 0; c < Channels; ++c) {
                const std::int32_t sample = Format::value(frame + c * Format::kBytes);
                if (static_cast<std::uint32_t>(sample) < static_cast<std::uint32_t>(Format::kLevelCeiling))
                    levelSums[c] += static_cast<std::uint32_t>(sample);
                // Channels 1, 3, 5, 7 (index 0, 2, 4, 6) are heard on the left.
                if (c % 2 == 0) leftSum += sample & heardMask[c];
                else rightSum += sample & heardMask[c];
            }
            if (!stereo) continue;
            if (leftUsed) storeSample(stereo + k * kStereoFrameBytes, narrow16(leftSum));
            if (rightUsed) storeSample(stereo + k * kStereoFrameBytes + 2, narrow16(rightSum));
        }
        for (int c = 0; c < Channels; ++c) target.levelSums[c] += levelSums[c];
    }
}

// The loop for the take's sample format and channel count (up to eight), or null for a
// format the mix cannot read.
using MixFramesFunction = void (*)(const std::byte*, std::size_t, const MixTarget&);

template <class Format>
MixFramesFunction mixFramesOf(int channels) {
    static constexpr MixFramesFunction kByChannels[kChannelsWithOwnLoop] = {
        mixFrames<Format, 1>, mixFrames<Format, 2>, mixFrames<Format, 3>, mixFrames<Format, 4>,
        mixFrames<Format, 5>, mixFrames<Format, 6>, mixFrames<Format, 7>, mixFrames<Format, 8>};
    return channels >= 1 && channels <= kChannelsWithOwnLoop ? kByChannels[channels - 1] : nullptr;
}

MixFramesFunction mixFramesFor(const WaveFileInfo& format, int channels) {
    if (format.sampleFormat == SampleFormat::Float)
        return format.bitsPerSample == 32 ? mixFramesOf<Float32>(channels) : nullptr;
    switch (format.bitsPerSample) {
    case 8: return mixFramesOf<Unsigned8>(channels);
    case 16: return mixFramesOf<TopBits<2>>(channels);
    case 24: return mixFramesOf<TopBits<3>>(channels);
    case 32: return mixFramesOf<TopBits<4>>(channels);
    default: return nullptr;
    }
}

// ---- takes of more than eight channels, and of several files ----

// One file's frames added into the take's 32-bit side sums. Its channels may start on
// either side, so each channel has a mask for each side: all ones on its side when it is
// heard, else 0.
struct AddTarget {
    std::int32_t* sums;                       // left and right per frame; null: levels only
    std::uint64_t* levelSums;                 // per channel of the file
    const std::int32_t* leftMask;
    const std::int32_t* rightMask;
};

// Mono and stereo files, the usual files of a set, have a loop of their own (FixedChannels);
// for any other count (0) it is known only at run time, and the channel loop is unrolled by
// eight. A file may hold more channels than are mixed, past the take's last. The masks
// replace a test of the side per sample; 64 channels of 16 bits sum to 2^21 at most, far
// from the 32-bit limit.
template <class Format, int FixedChannels>
void addFrames(const std::byte* frame, std::size_t frames, std::size_t frameBytes, int runtimeChannels,
               const AddTarget& target) {
    const int channels = FixedChannels > 0 ? FixedChannels : runtimeChannels;
    std::int32_t* const sums = target.sums;
    for (std::size_t runStart = 0; runStart < frames; runStart += kLevelRun) {
        const std::size_t runEnd = std::min(frames, runStart + kLevelRun);
        std::uint32_t levelSums[kMaxTakeChannels] = {};
        for (std::size_t k = runStart; k < runEnd; ++k, frame += frameBytes) {
            std::int32_t leftSum = 0, rightSum = 0;
#pragma GCC unroll 8
            for (int c = 0; c < channels; ++c) {
                const std::int32_t sample = Format::value(frame + c * Format::kBytes);
                if (static_cast<std::uint32_t>(sample) < static_cast<std::uint32_t>(Format::kLevelCeiling))
                    levelSums[c] += static_cast<std::uint32_t>(sample);
                leftSum += sample & target.leftMask[c];
                rightSum += sample & target.rightMask[c];
            }
            if (!sums) continue;
            sums[2 * k] += leftSum;
            sums[2 * k + 1] += rightSum;
        }
        for (int c = 0; c < channels; ++c) target.levelSums[c] += levelSums[c];
    }
}

using AddFramesFunction = void (*)(const std::byte*, std::size_t, std::size_t, int, const AddTarget&);

template <class Format>
AddFramesFunction addFramesOf(int channels) {
    return channels == 1 ? addFrames<Format, 1> : channels == 2 ? addFrames<Format, 2> : addFrames<Format, 0>;
}

AddFramesFunction addFramesFor(const WaveFileInfo& format, int channels) {
    if (format.sampleFormat == SampleFormat::Float) return format.bitsPerSample == 32 ? addFramesOf<Float32>(channels) : nullptr;
    switch (format.bitsPerSample) {
    case 8: return addFramesOf<Unsigned8>(channels);
    case 16: return addFramesOf<TopBits<2>>(channels);
    case 24: return addFramesOf<TopBits<3>>(channels);
    case 32: return addFramesOf<TopBits<4>>(channels);
    default: return nullptr;
    }
}

std::uint32_t outputFramesAt(std::int32_t sampleRate) {
    return sampleRate > 0 ? static_cast<std::uint32_t>(sampleRate / 10) : 0;
}

// The sums are divided by the output size, four bytes a frame; a block too short to hold
// one frame counts as silence rather than dividing by zero.
void storeLevels(const std::uint64_t* levelSums, const bool* present, std::uint32_t outputBytes, ChannelLevels& channelLevel) {
    const std::uint64_t divisor = std::max<std::uint64_t>(outputBytes, 1);
    for (int c = 0; c < kMaxTakeChannels; ++c) {
        if (present[c]) {
            const std::uint64_t m = std::min<std::uint64_t>(levelSums[c] / divisor + 1, 0xFFFFFFFFu);
            channelLevel[c] = LevelFromMean(static_cast<std::uint32_t>(m));
        } else {
            channelLevel[c] = kLevelAbsent;
        }
    }
}

// Every part added into one pair of 32-bit sums per frame, then each side saturated once.
void mixParts(MixOutput& output, std::span<TakeBlockPart> parts, std::int32_t sampleRate,
              const ChannelFlags& channelEnabled, ChannelLevels& channelLevel) {
    const std::uint32_t outputFrames = outputFramesAt(sampleRate);
    const std::uint32_t outputBytes = outputFrames * kStereoFrameBytes;
    output.buffer = AudioBuffer::allocateZeroed(outputBytes);
    std::byte* stereo = output.buffer.data();   // null when the memory could not be had: levels only
    std::unique_ptr<std::int32_t[]> sums;
    if (stereo) sums.reset(new (std::nothrow) std::int32_t[2 * static_cast<std::size_t>(outputFrames)]());
    if (!sums) stereo = nullptr;

    std::uint64_t levelSums[kMaxTakeChannels] = {};
    bool present[kMaxTakeChannels] = {};
    for (TakeBlockPart& part : parts) {
        if (part.firstChannel < 0 || part.firstChannel >= kMaxTakeChannels) {
            part.block.reset();
            continue;
        }
        const int first = part.firstChannel;
        const int channels = std::clamp(part.format.channels, 0, kMaxTakeChannels - first);
        std::int32_t leftMask[kMaxTakeChannels] = {};
        std::int32_t rightMask[kMaxTakeChannels] = {};
        for (int c = 0; c < channels; ++c) {
            const int takeChannel = first + c;
            present[takeChannel] = true;
            if (channelEnabled[takeChannel] == 0) continue;
            (takeChannel % 2 == 0 ? leftMask : rightMask)[c] = -1;   // channels 1, 3, 5, ... (index 0, 2, 4) left
        }
        const AddFramesFunction add = channels > 0 ? addFramesFor(part.format, channels) : nullptr;
        if (add && !part.block.empty()) {
            // All of the file's channels make a frame, also those past the take's last.
            const std::size_t frameBytes = static_cast<std::size_t>(part.format.bitsPerSample / 8) *
                                           static_cast<std::size_t>(part.format.channels);
            const std::size_t frames = std::min<std::size_t>(part.block.size() / frameBytes, outputFrames);
            add(part.block.data(), frames, frameBytes, channels, AddTarget{sums.get(), levelSums + first, leftMask, rightMask});
        }
        part.block.reset();
    }

    if (stereo) {
        for (std::uint32_t k = 0; k < outputFrames; ++k) {
            storeSample(stereo + k * kStereoFrameBytes, narrow16(sums[2 * k]));
            storeSample(stereo + k * kStereoFrameBytes + 2, narrow16(sums[2 * k + 1]));
        }
    }
    storeLevels(levelSums, present, outputBytes, channelLevel);
}

}  // namespace

std::int32_t LevelFromMean(std::uint32_t m) {
    return static_cast<std::int32_t>(-3.0 - 10.0 * std::log10(2055.0 / static_cast<double>(m)));
}

void MixDownBlock(MixOutput& output, AudioBuffer sourceBlock, const WaveFileInfo& format,
                  const ChannelFlags& channelEnabled, ChannelLevels& channelLevel) {
    if (format.channels > kChannelsWithOwnLoop) {
        TakeBlockPart whole{std::move(sourceBlock), format, 0};
        mixParts(output, std::span<TakeBlockPart>(&whole, 1), format.sampleRate, channelEnabled, channelLevel);
        return;
    }
    // A loop made for the channel count stores the stereo directly.
    const int channels = std::max(format.channels, 0);
    const std::uint32_t outputFrames = outputFramesAt(format.sampleRate);
    const std::uint32_t outputBytes = outputFrames * kStereoFrameBytes;
    output.buffer = AudioBuffer::allocateZeroed(outputBytes);
    std::byte* stereo = output.buffer.data();   // null when the memory could not be had: levels only

    // Sums of the zero-or-positive values of one block; 64-bit so no rate can overflow them.
    std::uint64_t levelSums[kMaxTakeChannels] = {};
    const MixFramesFunction mix = mixFramesFor(format, channels);

    if (mix) {
        MixTarget target{stereo, levelSums, {}, false, false};
        for (int c = 0; c < channels; ++c) {
            if (channelEnabled[c] == 0) continue;
            target.heardMask[c] = -1;
            if (c % 2 == 0) target.leftUsed = true;
            else target.rightUsed = true;
        }
        const std::size_t frameBytes = static_cast<std::size_t>(format.bitsPerSample / 8) * static_cast<std::size_t>(channels);
        // Whole frames inside the block only, and never more than the output holds.
        const std::size_t frames = std::min<std::size_t>(sourceBlock.size() / frameBytes, outputFrames);
        mix(sourceBlock.data(), frames, target);
    }
    sourceBlock.reset();

    bool present[kMaxTakeChannels] = {};
    for (int c = 0; c < channels; ++c) present[c] = true;
    storeLevels(levelSums, present, outputBytes, channelLevel);
}

void MixDownTakeBlock(MixOutput& output, std::vector<TakeBlockPart>& parts, std::int32_t sampleRate,
                      const ChannelFlags& channelEnabled, ChannelLevels& channelLevel) {
    mixParts(output, parts, sampleRate, channelEnabled, channelLevel);
}
