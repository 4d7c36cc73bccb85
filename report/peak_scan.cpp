#include "peak_scan.h"

#include "audio/wave_chunks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>

namespace {

constexpr std::size_t kReadSize = 4u << 20;      // one sequential read of sample data
constexpr int kLanesPerChannel = 8;              // accumulators per channel, so the fold loop vectorises

// Interleaved samples fold into channels * 8 lanes: sample k of a read goes to lane
// k % lanes, whose channel is lane % channels. A fixed-length inner loop over the lanes
// needs no division per sample and vectorises; the lanes are merged per channel at the end.
struct IntLanes {
    std::vector<std::int32_t> low, high;   // over the whole take
    std::vector<std::uint64_t> clipped;
    std::vector<std::int32_t> readLow, readHigh;   // over the current read
};

// The four little-endian bytes at p as one word (one load on the machines we build for).
inline std::uint32_t le32At(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Every integer sample lifted to the top of a 32-bit word: full scale is 2^31 whatever the
// depth, so one fold and one dB formula serve all. 8-bit samples are unsigned around 128.
// A 24-bit sample is read as a word whose top byte, the next sample's, shifts out: the read
// buffer has spare bytes after its end for the last one.
inline std::int32_t sampleAt(const unsigned char* p, std::integral_constant<int, 1>) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0] ^ 0x80u) << 24);
}
inline std::int32_t sampleAt(const unsigned char* p, std::integral_constant<int, 2>) {
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[1]) << 24));
}
inline std::int32_t sampleAt(const unsigned char* p, std::integral_constant<int, 3>) {
    return static_cast<std::int32_t>(le32At(p) << 8);
}
inline std::int32_t sampleAt(const unsigned char* p, std::integral_constant<int, 4>) {
    return static_cast<std::int32_t>(le32At(p));
}

inline float magnitudeAt(const unsigned char* p) {
    float x;
    std::memcpy(&x, p, sizeof x);
    return std::fabs(x);
}

// The extremes of each lane over one read. Inlined into a plain and (on x86) an AVX2 copy:
// the wider copy folds eight lanes at once and has the signed 32-bit min and max that the
// x86-64 baseline lacks.
template <int Bytes>
[[gnu::always_inline]] inline void foldExtremes(const unsigned char* bytes, std::size_t samples, std::size_t laneCount,
                                                std::int32_t* low, std::int32_t* high) {
    constexpr std::integral_constant<int, Bytes> kWidth{};
    std::size_t k = 0;
    for (; k + laneCount <= samples; k += laneCount) {
        const unsigned char* row = bytes + k * Bytes;
        for (std::size_t lane = 0; lane < laneCount; ++lane) {
            const std::int32_t v = sampleAt(row + lane * Bytes, kWidth);
            low[lane] = std::min(low[lane], v);
            high[lane] = std::max(high[lane], v);
        }
    }
    for (std::size_t lane = 0; k < samples; ++k, ++lane) {
        const std::int32_t v = sampleAt(bytes + k * Bytes, kWidth);
        low[lane] = std::min(low[lane], v);
        high[lane] = std::max(high[lane], v);
    }
}

[[gnu::always_inline]] inline void foldFloatPeaks(const unsigned char* bytes, std::size_t samples, std::size_t laneCount, float* peak) {
    // The comparison keeps the old peak when the sample is NaN.
    const auto fold = [peak](float magnitude, std::size_t lane) { peak[lane] = magnitude > peak[lane] ? magnitude : peak[lane]; };
    std::size_t k = 0;
    for (; k + laneCount <= samples; k += laneCount)
        for (std::size_t lane = 0; lane < laneCount; ++lane) fold(magnitudeAt(bytes + (k + lane) * 4), lane);
    for (std::size_t lane = 0; k < samples; ++k, ++lane) fold(magnitudeAt(bytes + k * 4), lane);
}

template <int Bytes>
void foldExtremesPlain(const unsigned char* bytes, std::size_t samples, std::size_t laneCount, std::int32_t* low, std::int32_t* high) {
    foldExtremes<Bytes>(bytes, samples, laneCount, low, high);
}
void foldFloatPeaksPlain(const unsigned char* bytes, std::size_t samples, std::size_t laneCount, float* peak) {
    foldFloatPeaks(bytes, samples, laneCount, peak);
}

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define VP_REPORT_AVX2 1
template <int Bytes>
[[gnu::target("avx2")]] void foldExtremesAvx2(const unsigned char* bytes, std::size_t samples, std::size_t laneCount,
                                             std::int32_t* low, std::int32_t* high) {
    foldExtremes<Bytes>(bytes, samples, laneCount, low, high);
}
[[gnu::target("avx2")]] void foldFloatPeaksAvx2(const unsigned char* bytes, std::size_t samples, std::size_t laneCount, float* peak) {
    foldFloatPeaks(bytes, samples, laneCount, peak);
}
// Asked once; the CPU model must be set up before the first question, which static
// initialisation order would not promise.
bool haveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have;
}
#endif

// Full scale is rare: a read first folds the extremes alone, and its samples at full scale
// are counted in a second look at the same bytes (still in cache) only when it reached it.
template <int Bytes>
void foldInt(const unsigned char* bytes, std::size_t samples, IntLanes& lanes) {
    constexpr std::int32_t kHigh = static_cast<std::int32_t>((0x7FFFFFFFu >> (32 - 8 * Bytes)) << (32 - 8 * Bytes));
    constexpr std::int32_t kLow = std::numeric_limits<std::int32_t>::min();
    const std::size_t laneCount = lanes.low.size();
    lanes.readLow.assign(laneCount, std::numeric_limits<std::int32_t>::max());
    lanes.readHigh.assign(laneCount, std::numeric_limits<std::int32_t>::min());
    std::int32_t* const low = lanes.readLow.data();
    std::int32_t* const high = lanes.readHigh.data();
#ifdef VP_REPORT_AVX2
    if (haveAvx2()) foldExtremesAvx2<Bytes>(bytes, samples, laneCount, low, high);
    else foldExtremesPlain<Bytes>(bytes, samples, laneCount, low, high);
#else
    foldExtremesPlain<Bytes>(bytes, samples, laneCount, low, high);
#endif

    bool reachedFullScale = false;
    for (std::size_t lane = 0; lane < laneCount; ++lane) {
        reachedFullScale |= low[lane] == kLow || high[lane] == kHigh;
        lanes.low[lane] = std::min(lanes.low[lane], low[lane]);
        lanes.high[lane] = std::max(lanes.high[lane], high[lane]);
    }
    if (!reachedFullScale) return;
    for (std::size_t at = 0, lane = 0; at < samples; ++at, lane = lane + 1 == laneCount ? 0 : lane + 1) {
        const std::int32_t v = sampleAt(bytes + at * Bytes, std::integral_constant<int, Bytes>{});
        lanes.clipped[lane] += static_cast<std::uint64_t>((v == kHigh) | (v == kLow));
    }
}

struct FloatLanes {
    std::vector<float> peak;
    std::vector<std::uint64_t> clipped;
    std::vector<float> readPeak;
};

void foldFloat(const unsigned char* bytes, std::size_t samples, FloatLanes& lanes) {
    const std::size_t laneCount = lanes.peak.size();
    lanes.readPeak.assign(laneCount, 0.0f);
    float* const peak = lanes.readPeak.data();
#ifdef VP_REPORT_AVX2
    if (haveAvx2()) foldFloatPeaksAvx2(bytes, samples, laneCount, peak);
    else foldFloatPeaksPlain(bytes, samples, laneCount, peak);
#else
    foldFloatPeaksPlain(bytes, samples, laneCount, peak);
#endif

    bool reachedFullScale = false;
    for (std::size_t lane = 0; lane < laneCount; ++lane) {
        reachedFullScale |= peak[lane] >= 1.0f;
        lanes.peak[lane] = std::max(lanes.peak[lane], peak[lane]);
    }
    if (!reachedFullScale) return;
    for (std::size_t at = 0, lane = 0; at < samples; ++at, lane = lane + 1 == laneCount ? 0 : lane + 1)
        lanes.clipped[lane] += static_cast<std::uint64_t>(magnitudeAt(bytes + at * 4) >= 1.0f);
}

double dbfs(double magnitude, double fullScale) {
    return magnitude > 0 ? 20.0 * std::log10(magnitude / fullScale) : -std::numeric_limits<double>::infinity();
}

}  // namespace

FormatVerdict ReadSampleLayout(const unsigned char* fmt, std::size_t size, SampleLayout& layout) {
    WaveFileInfo info;
    const FormatVerdict verdict = JudgeFormatBlock(info, fmt, size);
    layout.isFloat = info.sampleFormat == SampleFormat::Float;
    layout.channels = info.channels;
    layout.rate = info.sampleRate;
    layout.bits = info.bitsPerSample;
    layout.bytesPerSample = info.bitsPerSample / 8;
    return verdict;
}

bool ScanPeaks(std::FILE* file, std::int64_t offset, std::int64_t frames, const SampleLayout& layout,
               const ReportProgress& progress, std::vector<ChannelPeak>& peaks) {
    const std::size_t laneCount = static_cast<std::size_t>(layout.channels * kLanesPerChannel);
    const std::size_t rowBytes = laneCount * static_cast<std::size_t>(layout.bytesPerSample);
    const std::size_t readSize = kReadSize / rowBytes * rowBytes;   // every read starts on lane 0
    constexpr std::size_t kSpareBytes = 4;   // a 24-bit read of the last sample looks one byte further
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[readSize + kSpareBytes]());
    if (!buffer || !SeekFile64(file, offset)) return false;

    IntLanes intLanes{std::vector<std::int32_t>(laneCount, std::numeric_limits<std::int32_t>::max()),
                      std::vector<std::int32_t>(laneCount, std::numeric_limits<std::int32_t>::min()),
                      std::vector<std::uint64_t>(laneCount, 0), {}, {}};
    FloatLanes floatLanes{std::vector<float>(laneCount, 0.0f), std::vector<std::uint64_t>(laneCount, 0), {}};

    std::uint64_t remaining = static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(layout.channels * layout.bytesPerSample);
    bool ok = true;
    while (remaining > 0) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, readSize));
        const std::size_t got = std::fread(buffer.get(), 1, wanted, file);
        const std::size_t samples = got / static_cast<std::size_t>(layout.bytesPerSample);
        if (layout.isFloat) foldFloat(buffer.get(), samples, floatLanes);
        else if (layout.bytesPerSample == 1) foldInt<1>(buffer.get(), samples, intLanes);
        else if (layout.bytesPerSample == 2) foldInt<2>(buffer.get(), samples, intLanes);
        else if (layout.bytesPerSample == 3) foldInt<3>(buffer.get(), samples, intLanes);
        else foldInt<4>(buffer.get(), samples, intLanes);
        if (progress) progress(got);
        remaining -= got;
        if (got < wanted) {
            ok = false;
            break;
        }
    }

    const double fullScale = layout.isFloat ? 1.0 : std::ldexp(1.0, 31);
    peaks.assign(static_cast<std::size_t>(layout.channels), ChannelPeak{});
    for (std::size_t c = 0; c < peaks.size(); ++c) {
        double magnitude = 0;
        for (std::size_t lane = c; lane < laneCount; lane += static_cast<std::size_t>(layout.channels)) {
            if (layout.isFloat) {
                magnitude = std::max(magnitude, static_cast<double>(floatLanes.peak[lane]));
                peaks[c].clippedSamples += floatLanes.clipped[lane];
            } else if (intLanes.low[lane] <= intLanes.high[lane]) {   // the lane saw a sample
                magnitude = std::max({magnitude, static_cast<double>(intLanes.high[lane]), -static_cast<double>(intLanes.low[lane])});
                peaks[c].clippedSamples += intLanes.clipped[lane];
            }
        }
        peaks[c].peakDbfs = dbfs(magnitude, fullScale);
    }
    return ok;
}
