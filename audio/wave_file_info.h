#pragma once
// What a broadcast-wave take holds: its format, its length and its production labels.

#include "wave_chunks.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The most channels a take may have, of one file or of a set of files: the mix, the levels
// and the channel switches cover this many.
constexpr int kMaxTakeChannels = 64;
// Channels in one bank of the player's switches and meters, and the level values vantorinfo
// prints for a take of up to this many channels.
constexpr int kMaxChannels = 8;
constexpr int kLabelLength = 32;        // characters of a tape, scene or take label
constexpr int kWavePathLength = 512;    // bytes of the path field, terminator included

// How the sample bits are to be read: integer PCM, or IEEE float (format tag 3, or EXTENSIBLE
// with the float sub-format).
enum class SampleFormat : std::uint8_t { Pcm, Float };

struct WaveFileInfo {
    char path[kWavePathLength] = {};    // set only when the format block was found
    std::int32_t channels = 0;
    std::int32_t sampleRate = 0;        // Hz
    std::int32_t bitsPerSample = 0;
    SampleFormat sampleFormat = SampleFormat::Pcm;
    std::int64_t frameCount = 0;        // sample frames; 64-bit so RF64 takes over 4 GB keep their length
    char tape[kLabelLength + 1] = {};
    char scene[kLabelLength + 1] = {};
    char take[kLabelLength + 1] = {};
};

// Result codes of InspectWaveFile.
constexpr int kInspectOk = 0;
constexpr int kInspectUnknownFormat = 1;
constexpr int kInspectNoRecord = -1;
constexpr int kInspectNoBuffer = -2;
constexpr int kInspectCannotOpen = -3;

// Fills *info from the take at path. 0: format block and data chunk found and the
// format is one the player can handle; 1: not a take the player knows (whatever was
// found is still stored); -1: no record; -2: no work buffer; -3: file not readable.
int InspectWaveFile(WaveFileInfo* info, const char* path);

// The same for a take already open, whose chunks were walked: the chunk list when it holds
// the format block and the data, else the byte scan of the file's first bytes.
int InspectOpenWaveFile(WaveFileInfo* info, const char* path, std::FILE* file, const WaveChunks& chunks);

// The player's rule for a format block, given its first bytes (up to 40, the EXTENSIBLE
// size): fills channels, rate, bits and sample format of *info, and says whether the
// player plays such samples; more than kMaxTakeChannels channels are too many. Inspection
// and the sound report both ask it.
enum class FormatVerdict { Playable, UnknownSampleFormat, TooManyChannels };
FormatVerdict JudgeFormatBlock(WaveFileInfo& info, const unsigned char* bytes, std::size_t size);

// Length in whole seconds, as the player shows it; 0 for a rate of 0.
std::int64_t LengthInSeconds(const WaveFileInfo& info);

// Bytes of a tenth of a second of sample data: (rate / 10) * (bits / 8) * channels.
std::uint32_t BlockSizeFor(const WaveFileInfo& info);
