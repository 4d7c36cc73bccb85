#pragma once
// Folds the enabled channels of one block into 16-bit stereo and measures every channel.

#include "audio_buffer.h"
#include "wave_file_info.h"

#include <array>
#include <cstdint>
#include <vector>

struct MixOutput {
    AudioBuffer buffer;                 // 16-bit stereo frames, left then right: (sampleRate / 10) * 4 bytes
};

// Indexed by the take's channel, from 0; every channel a take can have.
using ChannelFlags = std::array<std::int32_t, kMaxTakeChannels>;   // non-zero: the channel is heard
using ChannelLevels = std::array<std::int32_t, kMaxTakeChannels>;  // -36..3 for present channels, -48 for absent ones

constexpr std::int32_t kLevelAbsent = -48;

// Takes the block over and releases it. Odd channels (index 0, 2, 4, ...) feed the left
// side, even ones the right; each side is summed and saturates to the 16-bit range once.
void MixDownBlock(MixOutput& output, AudioBuffer sourceBlock, const WaveFileInfo& format,
                  const ChannelFlags& channelEnabled, ChannelLevels& channelLevel);

// One file's block of a take of several files, all at the same frame position: the block
// (empty: the file has nothing there, its channels are silent), the file's format, and the
// take's channel index of its first channel.
struct TakeBlockPart {
    AudioBuffer block;
    WaveFileInfo format;
    int firstChannel = 0;
};

// The same for a take of several files: every part's channels take their place in the take's
// channel order and go into one stereo sum, which saturates once a side, as one file of all
// those channels would. The output is a tenth of a second at sampleRate. Channels that no part
// covers read kLevelAbsent; a part's channels past kMaxTakeChannels are not mixed. Takes the
// blocks over and releases them.
void MixDownTakeBlock(MixOutput& output, std::vector<TakeBlockPart>& parts, std::int32_t sampleRate,
                      const ChannelFlags& channelEnabled, ChannelLevels& channelLevel);

// -3 - 10 * log10(2055 / m), truncated toward zero.
std::int32_t LevelFromMean(std::uint32_t m);
