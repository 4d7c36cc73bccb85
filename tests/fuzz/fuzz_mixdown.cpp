// The mix-down on arbitrary formats and blocks: the output always has a tenth of a
// second's length, nothing is written past the frames the block really holds or to a
// side with no channel on, every level is in range, and the block taken over is freed.
//
// The input's first four bytes describe the format, the rest is the sample block:
//   byte 0  channels, 0..70: every loop of its own (1..8), the loop for any count, and
//           counts past the mix's 64 channels
//   byte 1  bits per sample: 0, 8, 16, 24, 32 or some other value, negative ones too;
//           bit 3 set: float samples
//   byte 2  sample rate, from a small set that includes 0 and rates under 10 Hz
//   byte 3  one enabled flag per channel, repeated every eight channels

#include "fuzz_common.h"

#include "audio/audio_buffer.h"
#include "audio/mixdown.h"
#include "audio/wave_file_info.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::int32_t kRates[] = {0, 5, 10, 8000, 22050, 44100, 48000, 96000, 192000};
constexpr std::int32_t kBits[] = {0, 8, 16, 24, 32};

WaveFileInfo formatFrom(const std::uint8_t* header) {
    WaveFileInfo format;
    format.channels = header[0] % 71;
    const unsigned bitsChoice = header[1] & 7u;
    format.bitsPerSample = bitsChoice < std::size(kBits) ? kBits[bitsChoice] : static_cast<std::int8_t>(header[1]);
    format.sampleFormat = (header[1] & 0x08u) != 0 ? SampleFormat::Float : SampleFormat::Pcm;
    format.sampleRate = kRates[header[2] % std::size(kRates)];
    return format;
}

// Bytes a sample of the formats the mix reads: integers of 8 to 32 bits, 32-bit float; 0 otherwise.
int mixedBytesPerSample(const WaveFileInfo& format) {
    if (format.sampleFormat == SampleFormat::Float) return format.bitsPerSample == 32 ? 4 : 0;
    const int bits = format.bitsPerSample;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32 ? bits / 8 : 0;
}

bool sideSilent(const std::byte* stereo, std::size_t frames, int side) {
    for (std::size_t k = 0; k < frames; ++k)
        if (stereo[4 * k + 2 * side] != std::byte{0} || stereo[4 * k + 2 * side + 1] != std::byte{0}) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderBytes) return 0;
    const WaveFileInfo format = formatFrom(data);
    ChannelFlags enabled{};
    for (int c = 0; c < kMaxTakeChannels; ++c)
        enabled[c] = (data[3] >> (c % 8)) & 1 ? (c % 3 == 0 ? 1 : -c) : 0;   // any non-zero value means on

    const int liveAtStart = AudioBuffer::liveCount();
    const std::size_t blockLength = size - kHeaderBytes;
    AudioBuffer block = AudioBuffer::allocateUninitialised(blockLength);
    FUZZ_CHECK(!block.empty());
    if (blockLength != 0) std::memcpy(block.data(), data + kHeaderBytes, blockLength);

    MixOutput output;
    ChannelLevels levels;
    levels.fill(1000);
    MixDownBlock(output, std::move(block), format, enabled, levels);

    // The block was taken over and freed; only the output is alive.
    FUZZ_CHECK(AudioBuffer::liveCount() == liveAtStart + 1);
    const std::uint32_t outputFrames = static_cast<std::uint32_t>(format.sampleRate / 10);
    FUZZ_CHECK(output.buffer.empty() || output.buffer.size() == outputFrames * 4);
    FUZZ_CHECK(!output.buffer.empty());

    const int present = std::clamp(format.channels, 0, kMaxTakeChannels);
    for (int c = 0; c < kMaxTakeChannels; ++c) {
        if (c < present) FUZZ_CHECK(levels[c] >= -36 && levels[c] <= 3);
        else FUZZ_CHECK(levels[c] == kLevelAbsent);
    }

    // Frames past the whole frames of the block (of all the format's channels, also those past
    // the mixed 64) stay silent, and so does a side whose channels (index 0, 2, 4, ... left;
    // 1, 3, 5, ... right) are all off.
    const int bytesPerSample = mixedBytesPerSample(format);
    std::size_t heldFrames = 0;
    if (bytesPerSample != 0 && present > 0)
        heldFrames = std::min<std::size_t>(blockLength / (static_cast<std::size_t>(bytesPerSample) * static_cast<std::size_t>(format.channels)),
                                           outputFrames);
    const std::byte* stereo = output.buffer.data();
    for (std::size_t i = heldFrames * 4; i < output.buffer.size(); ++i) FUZZ_CHECK(stereo[i] == std::byte{0});
    bool sideOn[2] = {false, false};
    for (int c = 0; c < present; ++c)
        if (enabled[c] != 0) sideOn[c % 2] = true;
    for (int side = 0; side < 2; ++side)
        if (!sideOn[side]) FUZZ_CHECK(sideSilent(stereo, heldFrames, side));

    output.buffer.reset();
    FUZZ_CHECK(AudioBuffer::liveCount() == liveAtStart);
    return 0;
}
