#include "take_report.h"

#include "byte_view.h"
#include "info_text.h"
#include "wave_chunks.h"
#include "wave_layout.h"
#include "wave_file_info.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr std::size_t kReadSize = 4u << 20;      // one sequential read of sample data
constexpr int kLanesPerChannel = 8;              // accumulators per channel, so the fold loop vectorises
constexpr std::int64_t kMaxIxmlRead = 1 << 20;   // as inspection: iXML beyond this is not read
constexpr std::int64_t kDescriptionSize = 256;
constexpr std::int64_t kTimeReferenceAt = 338;   // in the bext body: 64-bit samples since midnight
constexpr double kSilentBelowDbfs = -60.0;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// ---- text --------------------------------------------------------------------------------

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

// Recorders write UTF-8 iXML; a description or label that is not UTF-8 is read as code page 1252.
std::string asUtf8(std::string_view text) {
    return isValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(std::string(text));
}

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

void appendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x110000) {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Element text with the five named entities and numeric references resolved.
std::string xmlText(std::string_view raw) {
    raw = trimmed(raw);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::size_t end = raw[i] == '&' ? raw.find(';', i) : std::string_view::npos;
        if (end == std::string_view::npos || end - i > 10) {
            out += raw[i];
            continue;
        }
        const std::string_view name = raw.substr(i + 1, end - i - 1);
        if (name == "amp") out += '&';
        else if (name == "lt") out += '<';
        else if (name == "gt") out += '>';
        else if (name == "quot") out += '"';
        else if (name == "apos") out += '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            appendUtf8(out, std::strtoul(std::string(name.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10));
        } else {
            out += raw.substr(i, end - i + 1);   // unknown: kept as written
        }
        i = end;
    }
    return out;
}

// ---- iXML --------------------------------------------------------------------------------

// Calls onClose(path, rawText) for every element as it closes; path is "BWFXML/SPEED/
// TIMECODE_RATE", rawText the characters between its tags (meaningful for leaf elements).
// Declarations, comments and attributes are stepped over; a stray closing tag is ignored.
template <class OnClose>
void walkXml(std::string_view xml, OnClose onClose) {
    struct Open { std::string_view name; std::size_t textStart; };
    std::vector<Open> open;
    const auto pathOf = [&open](std::size_t depth) {
        std::string path;
        for (std::size_t k = 0; k < depth; ++k) path.append(open[k].name).append(k + 1 < depth ? "/" : "");
        return path;
    };
    for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at)) {
        if (xml.substr(at, 4) == "<!--") {
            const std::size_t end = xml.find("-->", at);
            if (end == std::string_view::npos) return;
            at = end + 3;
            continue;
        }
        const std::size_t close = xml.find('>', at);
        if (close == std::string_view::npos) return;
        const std::string_view tag = xml.substr(at + 1, close - at - 1);
        if (!tag.empty() && (tag[0] == '?' || tag[0] == '!')) {
            at = close + 1;
            continue;
        }
        if (!tag.empty() && tag[0] == '/') {
            const std::string_view name = trimmed(tag.substr(1));
            for (std::size_t k = open.size(); k-- > 0;) {
                if (open[k].name != name) continue;
                onClose(pathOf(k + 1), xml.substr(open[k].textStart, at - open[k].textStart));
                open.resize(k);
                break;
            }
        } else {
            const std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
            if (!tag.empty() && tag.back() == '/') {
                open.push_back({name, close + 1});
                onClose(pathOf(open.size()), std::string_view());
                open.pop_back();
            } else {
                open.push_back({name, close + 1});
            }
        }
        at = close + 1;
    }
}

std::string_view lastName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

struct IxmlFacts {
    std::string note;
    std::string timecodeRate;
    std::string timecodeFlag;
    std::vector<std::string> trackNames;   // by channel, 1-based index - 1
};

// One TRACK of the TRACK_LIST. INTERLEAVE_INDEX is the channel in this file;
// CHANNEL_INDEX the recorder's track, which is the same in a polyphonic file.
struct IxmlTrack {
    std::string name;
    long channelIndex = 0;
    long interleaveIndex = 0;
};

IxmlFacts readIxml(std::string_view xml) {
    IxmlFacts facts;
    IxmlTrack track;
    std::vector<IxmlTrack> tracks;
    walkXml(xml, [&](const std::string& path, std::string_view text) {
        const std::string_view name = lastName(path);
        if (path == "BWFXML/NOTE" && facts.note.empty()) facts.note = xmlText(text);
        else if (name == "TIMECODE_RATE" && facts.timecodeRate.empty()) facts.timecodeRate = xmlText(text);
        else if (name == "TIMECODE_FLAG" && facts.timecodeFlag.empty()) facts.timecodeFlag = xmlText(text);
        else if (path == "BWFXML/TRACK_LIST/TRACK/NAME") track.name = xmlText(text);
        else if (path == "BWFXML/TRACK_LIST/TRACK/CHANNEL_INDEX") track.channelIndex = std::atol(xmlText(text).c_str());
        else if (path == "BWFXML/TRACK_LIST/TRACK/INTERLEAVE_INDEX") track.interleaveIndex = std::atol(xmlText(text).c_str());
        else if (path == "BWFXML/TRACK_LIST/TRACK") {
            tracks.push_back(track);
            track = IxmlTrack{};
        }
    });
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        // A track without either index takes its place in the list.
        long channel = tracks[k].interleaveIndex > 0 ? tracks[k].interleaveIndex
                     : tracks[k].channelIndex > 0    ? tracks[k].channelIndex
                                                     : static_cast<long>(k) + 1;
        if (channel > 64) continue;
        if (facts.trackNames.size() < static_cast<std::size_t>(channel)) facts.trackNames.resize(static_cast<std::size_t>(channel));
        facts.trackNames[static_cast<std::size_t>(channel) - 1] = tracks[k].name;
    }
    return facts;
}

// The value of a "sKEY=" line of the bext description, up to the end of its line.
std::string descriptionValue(std::string_view description, std::string_view key) {
    for (std::size_t at = description.find(key); at != std::string_view::npos; at = description.find(key, at + 1)) {
        if (at != 0 && description[at - 1] != '\n' && description[at - 1] != '\r') continue;
        const std::size_t from = at + key.size();
        return std::string(description.substr(from, description.find_first_of("\r\n", from) - from));
    }
    return {};
}

// A description's "sSPEED=029.970-DF": the frame rate with its flag, for takes without an iXML rate.
TimecodeRate rateFromSpeedLine(std::string_view speed) {
    const double fps = std::atof(std::string(speed).c_str());
    const bool dropFrame = speed.find("-DF") != std::string_view::npos;
    if (fps <= 0 || fps > 1000) return {};
    if (std::fabs(fps - std::round(fps)) < 0.005) return {std::llround(fps), 1, dropFrame};
    const double whole = std::round(fps * 1.001);
    if (std::fabs(fps - whole * 1000.0 / 1001.0) < 0.005) return {std::llround(whole) * 1000, 1001, dropFrame};
    return {};
}

// ---- fmt ----------------------------------------------------------------------------------

struct SampleLayout {
    bool isFloat = false;
    int channels = 0;
    int bytesPerSample = 0;
    std::int32_t rate = 0;
    int bits = 0;
};

// The player's own rule decides which takes the report can read.
FormatVerdict readFormat(const unsigned char* fmt, std::size_t size, SampleLayout& layout) {
    WaveFileInfo info;
    const FormatVerdict verdict = JudgeFormatBlock(info, fmt, size);
    layout.isFloat = info.sampleFormat == SampleFormat::Float;
    layout.channels = info.channels;
    layout.rate = info.sampleRate;
    layout.bits = info.bitsPerSample;
    layout.bytesPerSample = info.bitsPerSample / 8;
    return verdict;
}

// ---- the peak scan ------------------------------------------------------------------------

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

// One pass over the sample data in large reads; false on a read error.
bool scanPeaks(std::FILE* file, std::int64_t offset, std::int64_t frames, const SampleLayout& layout,
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

// ---- the take -------------------------------------------------------------------------------

void readLabels(TakeReport& report, const std::string& path) {
    // The player's own label rules: iXML TAPE, SCENE, TAKE, with the description's lines winning.
    WaveFileInfo info;
    InspectWaveFile(&info, path.c_str());
    report.tape = asUtf8(info.tape);
    report.scene = asUtf8(info.scene);
    report.take = asUtf8(info.take);
}

void readMetadata(TakeReport& report, std::FILE* file, const WaveChunks& chunks) {
    IxmlFacts ixml;
    if (chunks.ixmlOffset >= 0) {
        std::string xml(static_cast<std::size_t>(std::min(chunks.ixmlSize, kMaxIxmlRead)), '\0');
        xml.resize(ReadAt(file, chunks.ixmlOffset, xml.data(), xml.size()));
        ixml = readIxml(asUtf8(xml));
    }
    std::string description;
    bool haveTimeReference = false;
    std::uint64_t timeReference = 0;
    if (chunks.bextOffset >= 0) {
        unsigned char bext[kTimeReferenceAt + 8] = {};
        const std::size_t got = ReadAt(file, chunks.bextOffset, bext, static_cast<std::size_t>(std::min<std::int64_t>(chunks.bextSize, sizeof bext)));
        const ByteView view{bext, got};
        description.assign(reinterpret_cast<const char*>(bext), static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(got), kDescriptionSize)));
        description.resize(std::strlen(description.c_str()));
        haveTimeReference = got >= sizeof bext;
        timeReference = view.le64(kTimeReferenceAt);
    }

    report.note = !ixml.note.empty() ? ixml.note : asUtf8(descriptionValue(description, "sNOTE="));
    report.trackNames = ixml.trackNames;

    TimecodeRate rate = ParseTimecodeRate(ixml.timecodeRate, ixml.timecodeFlag == "DF");
    if (!rate.known()) rate = rateFromSpeedLine(descriptionValue(description, "sSPEED="));
    if (haveTimeReference && rate.known() && report.sampleRate > 0) {
        const StartTimecode start = FormatStartTimecode(timeReference, report.sampleRate, rate);
        report.startTimecode = start.text;
        report.timecodeWrapped = start.wrapped;
        report.timecodeRate = std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator);
    }
}

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0) out += '|';
        out += parts[k];
    }
    return out;
}

std::string oneDecimal(double value) {
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return std::strcmp(text, "-0.0") == 0 ? "0.0" : text;   // a hair under full scale reads 0.0
}

}  // namespace

TimecodeRate ParseTimecodeRate(std::string_view text, bool dropFrame) {
    text = trimmed(text);
    const std::size_t slash = text.find('/');
    const auto number = [](std::string_view digits) -> std::int64_t {
        if (digits.empty() || digits.size() > 7 || digits.find_first_not_of("0123456789") != std::string_view::npos) return 0;
        return std::atoll(std::string(digits).c_str());
    };
    TimecodeRate rate;
    rate.numerator = number(text.substr(0, slash));
    rate.denominator = slash == std::string_view::npos ? 1 : number(text.substr(slash + 1));
    rate.dropFrame = dropFrame;
    // Frame rates a timecode can have: up to 1000 frames per second.
    if (rate.denominator <= 0 || rate.numerator <= 0 || rate.numerator > 1000 * rate.denominator) return {};
    return rate;
}

StartTimecode FormatStartTimecode(std::uint64_t timeReference, std::int32_t sampleRate, const TimecodeRate& rate) {
    StartTimecode start;
    if (!rate.known() || sampleRate <= 0) return start;
    const std::uint64_t samplesPerDay = static_cast<std::uint64_t>(sampleRate) * 86400u;
    start.wrapped = timeReference >= samplesPerDay;
    const std::uint64_t sinceMidnight = timeReference % samplesPerDay;   // below 2^37: the products below fit
    std::uint64_t frame = sinceMidnight * static_cast<std::uint64_t>(rate.numerator) /
                          (static_cast<std::uint64_t>(sampleRate) * static_cast<std::uint64_t>(rate.denominator));

    // Labels count whole frames at the nominal rate: 24 for 24000/1001, 30 for 30000/1001.
    const std::uint64_t nominal = static_cast<std::uint64_t>((rate.numerator + rate.denominator / 2) / rate.denominator);
    const bool dropFrame = rate.dropFrame && rate.denominator == 1001 && (nominal == 30 || nominal == 60);
    if (dropFrame) {
        // Frame numbers 0 and 1 (0-3 at 60) are skipped at the start of every minute but each tenth.
        const std::uint64_t dropped = nominal / 15;
        const std::uint64_t perMinute = nominal * 60 - dropped;
        const std::uint64_t perTenMinutes = nominal * 600 - 9 * dropped;
        frame %= perTenMinutes * 144;   // a day of labels
        const std::uint64_t tens = frame / perTenMinutes;
        const std::uint64_t within = frame % perTenMinutes;
        frame += 9 * dropped * tens + (within >= dropped ? dropped * ((within - dropped) / perMinute) : 0);
    } else {
        frame %= nominal * 86400;
    }
    const std::uint64_t seconds = frame / nominal;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u%c%02u", static_cast<unsigned>(seconds / 3600),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60), dropFrame ? ';' : ':',
                  static_cast<unsigned>(frame % nominal));
    start.text = text;
    return start;
}

TakeReport ReportTake(const std::string& path, const ReportProgress& progress) {
    TakeReport report;
    report.file = path;
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        report.status = std::string("cannot open: ") + std::strerror(errno);
        return report;
    }
    // The scan's reads are large; the stream's own buffer would only add a copy.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);

    const WaveChunks chunks = WalkWaveChunks(file.get(), FileSize64(file.get()));
    if (!chunks.hasFormatAndData()) {
        report.status = "not a take";
        return report;
    }
    report.isTake = true;

    unsigned char formatBytes[40] = {};
    const std::size_t formatGot = ReadAt(file.get(), chunks.formatOffset, formatBytes,
                                         static_cast<std::size_t>(std::min<std::int64_t>(chunks.formatSize, sizeof formatBytes)));
    SampleLayout layout;
    const FormatVerdict check = readFormat(formatBytes, formatGot, layout);
    report.format = layout.isFloat ? "float" : "pcm";
    report.sampleRate = layout.rate;
    report.bits = layout.bits;
    report.channels = layout.channels;
    readLabels(report, path);
    readMetadata(report, file.get(), chunks);
    if (check == FormatVerdict::UnknownSampleFormat) {
        report.format.clear();
        report.status = "unknown sample format";
        return report;
    }
    if (check == FormatVerdict::TooManyChannels) {
        report.status = "more than 8 channels";
        return report;
    }

    report.frames = chunks.dataSize / (layout.channels * layout.bytesPerSample);
    report.intact = chunks.dataDeclaredSize <= chunks.dataSize;
    if (!report.intact) report.status = "data shorter than declared";
    if (!scanPeaks(file.get(), chunks.dataOffset, report.frames, layout, progress, report.peaks)) {
        report.intact = false;
        report.status = "read error";
    }
    return report;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string ReportCsvHeader() {
    return "file,status,format,rate,bits,channels,frames,duration_s,tape,scene,take,note,"
           "start_timecode,timecode_rate,tracks,peak_dbfs,clipped,silent\r\n";
}

std::string ReportCsvRow(const TakeReport& report) {
    std::string status = report.status;
    if (report.timecodeWrapped) status += " (time reference past 24 hours, wrapped)";
    const bool formatRead = report.isTake;   // rate, bits and channels even of a format the report cannot read
    std::string duration;
    if (report.frames >= 0 && report.sampleRate > 0) {
        // Milliseconds, rounded, in whole numbers: no binary fraction shows in the third decimal.
        const std::int64_t ms = (report.frames * 1000 + report.sampleRate / 2) / report.sampleRate;
        char text[32];
        std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000));
        duration = text;
    }
    std::vector<std::string> peaks, clipped, silent;
    for (const ChannelPeak& peak : report.peaks) {
        peaks.push_back(oneDecimal(peak.peakDbfs));
        clipped.push_back(std::to_string(peak.clippedSamples));
        silent.push_back(peak.peakDbfs < kSilentBelowDbfs ? "silent" : "");
    }
    const std::string fields[] = {
        report.file, status, report.format,
        formatRead ? std::to_string(report.sampleRate) : "", formatRead ? std::to_string(report.bits) : "",
        formatRead ? std::to_string(report.channels) : "", report.frames >= 0 ? std::to_string(report.frames) : "",
        duration, report.tape, report.scene, report.take, report.note,
        report.startTimecode, report.timecodeRate, joined(report.trackNames),
        joined(peaks), joined(clipped), joined(silent)};
    std::string row;
    for (const std::string& field : fields) {
        if (&field != fields) row += ',';
        row += CsvField(field);
    }
    return row + "\r\n";
}
