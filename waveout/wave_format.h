#pragma once
// The format code: one packed number that chooses the PCM format the wave-output device
// is opened with, and the pure arithmetic that turns it into a PCM format record. No
// <windows.h> here, so the arithmetic is tested natively.
//
//   bits 0-3   channels         1: 1, 2: 2; anything else 1
//   bits 4-7   bits per sample  1: 8, 2: 12, 3: 16, 4: 24; anything else 16
//   bits 8-11  sample rate      1: 11025, 2: 22050, 3: 44100, 4: 48000,
//                               5: 8000, 6: 16000, 7: 32000, 8: 88200, 9: 96000,
//                               10: 176400, 11: 192000,
//                               15: the rate in Hz is held in bits 12-31;
//                               anything else (0, 12-14) 44100
//   bits 12-31 ignored, except with rate field 15
//
// Values 1 to 4 of the rate field and the codes 818 (stereo, 16 bits, 44100 Hz), 1074
// (stereo, 16 bits, 48000 Hz) and 0 (mono, 16 bits, 44100 Hz) keep their long-standing
// meaning. The further rate values exist so that every take plays at its own speed: a
// mix is always 16-bit stereo at the take's rate, and opening the device at any other
// rate would play it too fast or too slow.

#include <cstdint>

using WaveFormatCode = std::uint32_t;

struct PcmFormat {
    std::uint16_t formatTag = 0;        // 1: integer PCM
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;    // 0 only for rate field 15 with no rate: the device refuses it
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;

    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

namespace wave_format {

constexpr std::uint16_t kPcmTag = 1;
constexpr WaveFormatCode kChannelShift = 0;
constexpr WaveFormatCode kBitsShift = 4;
constexpr WaveFormatCode kRateShift = 8;
constexpr WaveFormatCode kFieldMask = 0xF;
constexpr WaveFormatCode kExplicitRateField = 15;     // the rate follows in bits 12-31
constexpr WaveFormatCode kExplicitRateShift = 12;
constexpr std::uint32_t kMaxExplicitRate = 0xFFFFFu;  // what 20 bits hold: over 1 MHz

constexpr WaveFormatCode kStereo = 2;
constexpr WaveFormatCode kBits16 = 3;

constexpr std::uint16_t kDefaultChannels = 1;
constexpr std::uint16_t kDefaultBits = 16;
constexpr std::uint32_t kDefaultRate = 44100;

// Rate field values 1 to 11, index = field value; 0 marks "not a listed value".
constexpr std::uint32_t kRateOfField[16] = {0,     11025, 22050,  44100,  48000, 8000, 16000, 32000,
                                            88200, 96000, 176400, 192000, 0,     0,    0,     0};

constexpr std::uint32_t field(WaveFormatCode code, WaveFormatCode shift) { return (code >> shift) & kFieldMask; }

constexpr std::uint16_t channelsOf(WaveFormatCode code) {
    switch (field(code, kChannelShift)) {
    case 1: return 1;
    case 2: return 2;
    default: return kDefaultChannels;
    }
}

constexpr std::uint16_t bitsOf(WaveFormatCode code) {
    switch (field(code, kBitsShift)) {
    case 1: return 8;
    case 2: return 12;
    case 3: return 16;
    case 4: return 24;
    default: return kDefaultBits;
    }
}

constexpr std::uint32_t rateOf(WaveFormatCode code) {
    const std::uint32_t rateField = field(code, kRateShift);
    if (rateField == kExplicitRateField) return code >> kExplicitRateShift;
    const std::uint32_t listed = kRateOfField[rateField];
    return listed != 0 ? listed : kDefaultRate;
}

// The rate field value of a listed rate; 0 when the rate has none.
constexpr std::uint32_t rateFieldFor(std::int32_t rate) {
    for (std::uint32_t value = 1; value < 16; ++value)
        if (kRateOfField[value] != 0 && static_cast<std::int64_t>(kRateOfField[value]) == rate) return value;
    return 0;
}

}  // namespace wave_format

// The PCM format a code opens: block alignment = whole bytes per sample (rounded down
// from (bits + 7) / 8) times channels, so 12-bit samples take 2 bytes each.
constexpr PcmFormat PcmFormatFromCode(WaveFormatCode code) {
    PcmFormat format;
    format.formatTag = wave_format::kPcmTag;
    format.channels = wave_format::channelsOf(code);
    format.bitsPerSample = wave_format::bitsOf(code);
    format.samplesPerSec = wave_format::rateOf(code);
    format.blockAlign = static_cast<std::uint16_t>(((format.bitsPerSample + 7) / 8) * format.channels);
    format.avgBytesPerSec = static_cast<std::uint32_t>(format.blockAlign) * format.samplesPerSec;
    return format;
}

// The code the player opens the device with for a take of this rate: 16-bit stereo at
// the take's own rate. A rate with its own field value uses it (44100 gives 818, 48000
// gives 1074); any other rate up to kMaxExplicitRate is carried in bits 12-31. A rate
// that cannot be carried (0, negative, too high) gives field 15 with rate 0, which the
// device refuses: nothing plays rather than something at a wrong speed.
constexpr WaveFormatCode FormatCodeForRate(std::int32_t rate) {
    using namespace wave_format;
    const WaveFormatCode stereo16 = (kStereo << kChannelShift) | (kBits16 << kBitsShift);
    const std::uint32_t listed = rateFieldFor(rate);
    if (listed != 0) return stereo16 | (listed << kRateShift);
    const bool carried = rate > 0 && static_cast<std::uint32_t>(rate) <= kMaxExplicitRate;
    const WaveFormatCode explicitRate = carried ? static_cast<WaveFormatCode>(rate) << kExplicitRateShift : 0;
    return stereo16 | (kExplicitRateField << kRateShift) | explicitRate;
}

static_assert(FormatCodeForRate(44100) == 818);
static_assert(FormatCodeForRate(48000) == 1074);
