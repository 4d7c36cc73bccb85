#pragma once
// Folds the enabled channels of one block into 16-bit stereo and measures every channel.

#include "audio_buffer.h"
#include "wave_file_info.h"

#include <array>
#include <cstdint>

struct MixOutput {
    AudioBuffer buffer;                 // 16-bit stereo frames, left then right: (sampleRate / 10) * 4 bytes
};

using ChannelFlags = std::array<std::int32_t, kMaxChannels>;   // non-zero: the channel is heard
using ChannelLevels = std::array<std::int32_t, kMaxChannels>;  // -36..3 for present channels, -48 for absent ones

constexpr std::int32_t kLevelAbsent = -48;

// Takes the block over and releases it. Odd channels (index 0, 2, 4, 6) feed the left
// side, even ones the right; each side saturates to the 16-bit range.
void MixDownBlock(MixOutput& output, AudioBuffer sourceBlock, const WaveFileInfo& format,
                  const ChannelFlags& channelEnabled, ChannelLevels& channelLevel);

// -3 - 10 * log10(2055 / m), truncated toward zero.
std::int32_t LevelFromMean(std::uint32_t m);
