#include "peak_scan.h"

#include "audio/wave_chunks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <type_traits>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#endif
#ifndef _WIN32
#include <fcntl.h>
#endif

namespace {

// Reads of a size that stays in the second-level cache: the kernel's copy into the buffer and
// the fold's pass over it then meet in the cache instead of in memory.
constexpr std::size_t kReadSize = 256u << 10;
// How far the scan asks the system to read ahead of it, so a cold file streams at the disk's
// speed while the fold works.
constexpr std::int64_t kReadAheadBytes = 32 << 20;
constexpr int kLanesPerChannel = 8;              // accumulators per channel, so the fold loop vectorises

// Interleaved samples fold into channels * 8 lanes: sample k of a read goes to lane
// k % lanes, whose channel is lane % channels. A fixed-length inner loop over the lanes
// needs no division per sample and vectorises; the lanes are merged per channel at the end.
// Samples at full scale are counted in the same pass, so a clipped take costs what a clean
// one does.
struct IntLanes {
    std::vector<std::int32_t> low, high;   // over the whole take
    std::vector<std::uint64_t> clipped;
};

struct FloatLanes {
    std::vector<float> peak;
    std::vector<std::uint64_t> clipped;
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

// The largest positive sample of a depth, lifted as sampleAt lifts it; the negative full
// scale is INT32_MIN at every depth.
template <int Bytes>
constexpr std::int32_t kPositiveFullScale = static_cast<std::int32_t>((0x7FFFFFFFu >> (32 - 8 * Bytes)) << (32 - 8 * Bytes));
constexpr std::int32_t kNegativeFullScale = std::numeric_limits<std::int32_t>::min();

inline float magnitudeAt(const unsigned char* p) {
    float x;
    std::memcpy(&x, p, sizeof x);
    return std::fabs(x);
}

// The plain fold: whole rows with a fixed inner loop over the lanes, which the compiler
// vectorises where it can, then the samples past the last whole row. It finishes what the
// wide folds leave of a read, and takes whole reads where they are not built.
template <int Bytes>
void foldIntPlain(const unsigned char* bytes, std::size_t samples, IntLanes& lanes) {
    constexpr std::integral_constant<int, Bytes> kWidth{};
    const std::size_t laneCount = lanes.low.size();
    std::int32_t* const low = lanes.low.data();
    std::int32_t* const high = lanes.high.data();
    std::uint64_t* const clipped = lanes.clipped.data();
    const auto fold = [=](std::int32_t v, std::size_t lane) {
        low[lane] = std::min(low[lane], v);
        high[lane] = std::max(high[lane], v);
        clipped[lane] += static_cast<std::uint64_t>((v == kPositiveFullScale<Bytes>) | (v == kNegativeFullScale));
    };
    std::size_t k = 0;
    for (; k + laneCount <= samples; k += laneCount)
        for (std::size_t lane = 0; lane < laneCount; ++lane) fold(sampleAt(bytes + (k + lane) * Bytes, kWidth), lane);
    for (std::size_t lane = 0; k < samples; ++k, ++lane) fold(sampleAt(bytes + k * Bytes, kWidth), lane);
}

void foldFloatPlain(const unsigned char* bytes, std::size_t samples, FloatLanes& lanes) {
    const std::size_t laneCount = lanes.peak.size();
    float* const peak = lanes.peak.data();
    std::uint64_t* const clipped = lanes.clipped.data();
    const auto fold = [=](float magnitude, std::size_t lane) {
        // The comparison keeps the old peak when the sample is NaN.
        peak[lane] = magnitude > peak[lane] ? magnitude : peak[lane];
        clipped[lane] += static_cast<std::uint64_t>(magnitude >= 1.0f);
    };
    std::size_t k = 0;
    for (; k + laneCount <= samples; k += laneCount)
        for (std::size_t lane = 0; lane < laneCount; ++lane) fold(magnitudeAt(bytes + (k + lane) * 4), lane);
    for (std::size_t lane = 0; k < samples; ++k, ++lane) fold(magnitudeAt(bytes + k * 4), lane);
}

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define VP_REPORT_AVX2 1

// Eight consecutive samples, lifted to the top of their 32-bit words.
template <int Bytes>
[[gnu::target("avx2")]] inline __m256i eightSamplesAt(const unsigned char* p) {
    if constexpr (Bytes == 1) {
        const __m256i unsignedSamples = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        return _mm256_slli_epi32(_mm256_xor_si256(unsignedSamples, _mm256_set1_epi32(0x80)), 24);
    } else if constexpr (Bytes == 2) {
        return _mm256_slli_epi32(_mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))), 16);
    } else if constexpr (Bytes == 3) {
        // Four samples from each of two 16-byte loads 12 bytes apart; each sample's three bytes
        // go to the top of its word, a zero byte below them. The second load reaches 4 bytes
        // past the eighth sample: the read buffer's spare bytes.
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12));
        const __m256i both = _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1);
        const __m256i toTop = _mm256_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11,
                                               -1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
        return _mm256_shuffle_epi8(both, toTop);
    } else {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
}

// Whole rows of lanes, eight lanes to a register: a row of channels * 8 samples is channels
// groups of eight, group g holding lanes 8g..8g+7. Counts per read stay in 32 bits (a read
// holds far fewer than 2^31 samples); returns the samples folded.
template <int Bytes>
[[gnu::target("avx2")]] std::size_t foldIntAvx2(const unsigned char* bytes, std::size_t samples, IntLanes& lanes) {
    const std::size_t groups = lanes.low.size() / 8;
    const std::size_t rows = samples / lanes.low.size();
    const __m256i positiveFullScale = _mm256_set1_epi32(kPositiveFullScale<Bytes>);
    const __m256i negativeFullScale = _mm256_set1_epi32(kNegativeFullScale);
    for (std::size_t g = 0; g < groups; ++g) {
        __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&lanes.low[g * 8]));
        __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&lanes.high[g * 8]));
        __m256i clipped = _mm256_setzero_si256();
        const unsigned char* at = bytes + g * 8 * Bytes;
        const std::size_t rowBytes = lanes.low.size() * Bytes;
        for (std::size_t row = 0; row < rows; ++row, at += rowBytes) {
            const __m256i v = eightSamplesAt<Bytes>(at);
            low = _mm256_min_epi32(low, v);
            high = _mm256_max_epi32(high, v);
            // A comparison that holds gives -1: subtracting it counts.
            clipped = _mm256_sub_epi32(clipped, _mm256_or_si256(_mm256_cmpeq_epi32(v, positiveFullScale),
                                                                _mm256_cmpeq_epi32(v, negativeFullScale)));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(&lanes.low[g * 8]), low);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(&lanes.high[g * 8]), high);
        alignas(32) std::uint32_t counts[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(counts), clipped);
        for (int k = 0; k < 8; ++k) lanes.clipped[g * 8 + k] += counts[k];
    }
    return rows * lanes.low.size();
}

[[gnu::target("avx2")]] std::size_t foldFloatAvx2(const unsigned char* bytes, std::size_t samples, FloatLanes& lanes) {
    const std::size_t groups = lanes.peak.size() / 8;
    const std::size_t rows = samples / lanes.peak.size();
    const __m256 withoutSign = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const __m256 fullScale = _mm256_set1_ps(1.0f);
    for (std::size_t g = 0; g < groups; ++g) {
        __m256 peak = _mm256_loadu_ps(&lanes.peak[g * 8]);
        __m256i clipped = _mm256_setzero_si256();
        const unsigned char* at = bytes + g * 8 * 4;
        const std::size_t rowBytes = lanes.peak.size() * 4;
        for (std::size_t row = 0; row < rows; ++row, at += rowBytes) {
            const __m256 magnitude = _mm256_and_ps(_mm256_loadu_ps(reinterpret_cast<const float*>(at)), withoutSign);
            // The maximum takes its second operand when the first is NaN: the old peak stays.
            peak = _mm256_max_ps(magnitude, peak);
            clipped = _mm256_sub_epi32(clipped, _mm256_castps_si256(_mm256_cmp_ps(magnitude, fullScale, _CMP_GE_OQ)));
        }
        _mm256_storeu_ps(&lanes.peak[g * 8], peak);
        alignas(32) std::uint32_t counts[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(counts), clipped);
        for (int k = 0; k < 8; ++k) lanes.clipped[g * 8 + k] += counts[k];
    }
    return rows * lanes.peak.size();
}

bool gWideFoldsAllowed = true;

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

// One read's samples; every read but the last holds whole rows, so each starts at lane 0.
template <int Bytes>
void foldInt(const unsigned char* bytes, std::size_t samples, IntLanes& lanes) {
    std::size_t folded = 0;
#ifdef VP_REPORT_AVX2
    if (gWideFoldsAllowed && haveAvx2()) folded = foldIntAvx2<Bytes>(bytes, samples, lanes);
#endif
    foldIntPlain<Bytes>(bytes + folded * Bytes, samples - folded, lanes);
}

void foldFloat(const unsigned char* bytes, std::size_t samples, FloatLanes& lanes) {
    std::size_t folded = 0;
#ifdef VP_REPORT_AVX2
    if (gWideFoldsAllowed && haveAvx2()) folded = foldFloatAvx2(bytes, samples, lanes);
#endif
    foldFloatPlain(bytes + folded * 4, samples - folded, lanes);
}

// Tells the system the file is read from front to back, and asks it to read the next stretch
// now, so the disk stays busy while the fold works.
class ReadAhead {
public:
    ReadAhead(std::FILE* file, std::int64_t from, std::int64_t end) : end_(end), askedUpTo_(from) {
#ifndef _WIN32
        descriptor_ = fileno(file);
        posix_fadvise(descriptor_, from, end - from, POSIX_FADV_SEQUENTIAL);
#else
        (void)file;   // the file was opened for a sequential scan
#endif
    }
    void reading(std::int64_t at) {
#ifndef _WIN32
        if (askedUpTo_ >= end_ || askedUpTo_ - at > kReadAheadBytes / 2) return;
        const std::int64_t length = std::min(kReadAheadBytes, end_ - askedUpTo_);
        posix_fadvise(descriptor_, askedUpTo_, length, POSIX_FADV_WILLNEED);
        askedUpTo_ += length;
#else
        (void)at;
#endif
    }

private:
    std::int64_t end_;
    std::int64_t askedUpTo_;
#ifndef _WIN32
    int descriptor_ = -1;
#endif
};

double dbfs(double magnitude, double fullScale) {
    return magnitude > 0 ? 20.0 * std::log10(magnitude / fullScale) : -std::numeric_limits<double>::infinity();
}

}  // namespace

void UseWideFolds(bool use) {
#ifdef VP_REPORT_AVX2
    gWideFoldsAllowed = use;
#else
    (void)use;
#endif
}

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
    constexpr std::size_t kSpareBytes = 4;   // the 24-bit folds look up to four bytes past the last sample
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[readSize + kSpareBytes]());
    if (!buffer || !SeekFile64(file, offset)) return false;

    IntLanes intLanes{std::vector<std::int32_t>(laneCount, std::numeric_limits<std::int32_t>::max()),
                      std::vector<std::int32_t>(laneCount, std::numeric_limits<std::int32_t>::min()),
                      std::vector<std::uint64_t>(laneCount, 0)};
    FloatLanes floatLanes{std::vector<float>(laneCount, 0.0f), std::vector<std::uint64_t>(laneCount, 0)};

    std::uint64_t remaining = static_cast<std::uint64_t>(frames) * static_cast<std::uint64_t>(layout.channels * layout.bytesPerSample);
    ReadAhead readAhead(file, offset, offset + static_cast<std::int64_t>(remaining));
    std::int64_t at = offset;
    bool ok = true;
    while (remaining > 0) {
        readAhead.reading(at);
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
        at += static_cast<std::int64_t>(got);
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
