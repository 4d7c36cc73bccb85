#pragma once
// Builds wave files byte by byte for tests: a RIFF/WAVE or RF64/WAVE header, any chunk with
// or without the pad byte after an odd size, raw bytes anywhere, generated PCM, temporary
// files that remove themselves, and sparse files of several gigabytes.

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define WAVETEST_PROCESS_ID _getpid()
#else
#include <unistd.h>
#define WAVETEST_PROCESS_ID getpid()
#endif

namespace wavetest {

using Bytes = std::vector<std::uint8_t>;

inline void putLe(Bytes& out, std::uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void patchLe(Bytes& out, std::size_t at, std::uint64_t value, int byteCount) {
    for (int i = 0; i < byteCount; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

template <class ByteLike>
Bytes copyBytes(const ByteLike* from, std::size_t length) {
    Bytes out(length);
    if (length != 0) std::memcpy(out.data(), from, length);
    return out;
}

enum class Pad { IfOdd, None };   // None: an odd-sized chunk is followed directly by the next one

class WaveWriter {
public:
    // "RIFF" <size> "WAVE"; the size is filled in by bytes().
    WaveWriter& riff() {
        raw("RIFF");
        riffSizeAt_ = out_.size();
        putLe(out_, 0, 4);
        raw("WAVE");
        return *this;
    }

    // "RF64" 0xFFFFFFFF "WAVE" and a ds64 chunk: riff size, data size, sample count (each
    // 64-bit) and an empty table. data() and dataHeader() fill in the data size and count.
    WaveWriter& rf64() {
        raw("RF64");
        putLe(out_, 0xFFFFFFFFu, 4);
        raw("WAVE");
        ds64At_ = chunk("ds64", Bytes(28, 0));
        return *this;
    }

    WaveWriter& raw(const Bytes& bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); return *this; }
    WaveWriter& raw(const std::string& text) { return raw(bytesOf(text)); }

    // A chunk header whose size field says declaredSize, whatever follows; returns the body offset.
    std::size_t chunkHeader(const char* id, std::uint32_t declaredSize) {
        out_.insert(out_.end(), id, id + 4);
        putLe(out_, declaredSize, 4);
        return out_.size();
    }

    std::size_t chunk(const char* id, const Bytes& body, Pad pad = Pad::IfOdd) {
        const std::size_t at = chunkHeader(id, static_cast<std::uint32_t>(body.size()));
        raw(body);
        if (pad == Pad::IfOdd && body.size() % 2 != 0) out_.push_back(0);
        return at;
    }

    std::size_t fmtPcm(int channels, std::uint32_t rate, int bits) { return fmtTagged(1, channels, rate, bits); }

    // A 16-byte format block with any tag: 3 is IEEE float.
    std::size_t fmtTagged(int tag, int channels, std::uint32_t rate, int bits) {
        return chunk("fmt ", formatBody(tag, channels, rate, bits));
    }

    // WAVE_FORMAT_EXTENSIBLE: the 16 common bytes, cbSize 22, valid bits (the container's
    // unless given), channel mask, and the sub-format GUID of subFormat (1 PCM, 3 float).
    std::size_t fmtExtensible(int channels, std::uint32_t rate, int bits, std::uint32_t subFormat = 1, int validBits = -1) {
        return chunk("fmt ", extensibleBody(channels, rate, bits, subFormat, validBits));
    }

    Bytes extensibleBody(int channels, std::uint32_t rate, int bits, std::uint32_t subFormat = 1, int validBits = -1) {
        Bytes body = formatBody(0xFFFE, channels, rate, bits);
        putLe(body, 22, 2);
        putLe(body, static_cast<std::uint64_t>(validBits < 0 ? bits : validBits), 2);
        putLe(body, channels >= 32 ? 0xFFFFFFFFu : (1u << channels) - 1u, 4);
        putLe(body, subFormat, 4);
        const std::uint8_t guidTail[12] = {0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
        body.insert(body.end(), guidTail, guidTail + 12);
        return body;
    }

    // The 602-byte broadcast-extension body: description in bytes 0-255, originator in 256-287.
    std::size_t bext(const std::string& description, const std::string& originator = "") {
        Bytes body(602, 0);
        std::memcpy(body.data(), description.data(), std::min<std::size_t>(description.size(), 256));
        std::memcpy(body.data() + 256, originator.data(), std::min<std::size_t>(originator.size(), 32));
        return chunk("bext", body);
    }

    std::size_t ixml(const std::string& xml, Pad pad = Pad::IfOdd) { return chunk("iXML", bytesOf(xml), pad); }

    std::size_t filler(const char* id, std::size_t size) { return chunk(id, Bytes(size, 0)); }

    // Sample data. In an RF64 file the size field reads 0xFFFFFFFF and ds64 holds the size.
    std::size_t data(const Bytes& pcm, Pad pad = Pad::IfOdd) {
        const std::size_t at = dataHeader(pcm.size());
        raw(pcm);
        if (pad == Pad::IfOdd && pcm.size() % 2 != 0) out_.push_back(0);
        return at;
    }

    // Only the data chunk's header, for a file whose samples are written separately.
    std::size_t dataHeader(std::uint64_t dataSize) {
        if (ds64At_ == 0) return chunkHeader("data", static_cast<std::uint32_t>(dataSize));
        patchLe(out_, ds64At_ + 8, dataSize, 8);
        patchLe(out_, ds64At_ + 16, blockAlign_ ? dataSize / blockAlign_ : 0, 8);
        return chunkHeader("data", 0xFFFFFFFFu);
    }

    std::size_t size() const { return out_.size(); }

    // The finished bytes, with the RIFF (or ds64) size set for a file of fileSize bytes.
    Bytes bytes(std::uint64_t fileSize = 0) const {
        Bytes done = out_;
        if (fileSize == 0) fileSize = done.size();
        if (ds64At_ != 0) patchLe(done, ds64At_, fileSize - 8, 8);
        else if (riffSizeAt_ != 0) patchLe(done, riffSizeAt_, fileSize - 8, 4);
        return done;
    }

private:
    Bytes formatBody(int tag, int channels, std::uint32_t rate, int bits) {
        const std::uint32_t align = static_cast<std::uint32_t>(channels * (bits / 8));
        blockAlign_ = align;
        Bytes body;
        putLe(body, static_cast<std::uint64_t>(tag), 2);
        putLe(body, static_cast<std::uint64_t>(channels), 2);
        putLe(body, rate, 4);
        putLe(body, static_cast<std::uint64_t>(rate) * align, 4);
        putLe(body, align, 2);
        putLe(body, static_cast<std::uint64_t>(bits), 2);
        return body;
    }

    Bytes out_;
    std::size_t riffSizeAt_ = 0;
    std::size_t ds64At_ = 0;
    std::uint32_t blockAlign_ = 0;
};

// ---- PCM ----

// Appends one little-endian sample of bits / 8 bytes.
inline void putSample(Bytes& out, int bits, std::int32_t value) {
    putLe(out, static_cast<std::uint32_t>(value), bits / 8);
}

// The bit pattern of a 32-bit float sample, to be written by putSample or makePcm.
inline std::int32_t floatBits(float value) { return std::bit_cast<std::int32_t>(value); }

// Interleaved frames; sampleAt(frame, channel) gives each value.
template <class SampleAt>
Bytes makePcm(int channels, int bits, std::size_t frames, SampleAt sampleAt) {
    Bytes out;
    out.reserve(frames * static_cast<std::size_t>(channels * (bits / 8)));
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) putSample(out, bits, sampleAt(f, c));
    return out;
}

// A value that tells channel and frame apart; odd frames are negative.
inline std::int32_t distinctSample(std::size_t frame, int channel, int bits) {
    const std::int32_t magnitude = ((channel + 1) << (bits - 5)) + static_cast<std::int32_t>(frame % 997);
    return frame % 2 ? -magnitude : magnitude;
}

inline Bytes distinctPcm(int channels, int bits, std::size_t frames) {
    return makePcm(channels, bits, frames, [bits](std::size_t f, int c) { return distinctSample(f, c, bits); });
}

// A sine of hz per channel (channel c at hz * (c + 1)), peak amplitude in sample units.
inline Bytes tonePcm(int channels, int bits, std::size_t frames, double rate, double hz, double amplitude) {
    return makePcm(channels, bits, frames, [&](std::size_t f, int c) {
        const double phase = 2.0 * 3.14159265358979323846 * hz * (c + 1) * static_cast<double>(f) / rate;
        return static_cast<std::int32_t>(std::lround(amplitude * std::sin(phase)));
    });
}

// An iXML document around inner elements, filled with spaces up to padTo bytes.
inline std::string ixmlDocument(const std::string& inner, std::size_t padTo = 0) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BWFXML>\n  " + inner + "\n</BWFXML>\n";
    if (xml.size() < padTo) xml.append(padTo - xml.size(), ' ');
    return xml;
}

// Index of the first byte where a and b differ (a length difference counts), -1 when equal.
inline long long firstMismatch(const Bytes& a, const Bytes& b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i)
        if (a[i] != b[i]) return static_cast<long long>(i);
    return a.size() == b.size() ? -1 : static_cast<long long>(common);
}

// ---- Files ----

// A unique path in the temporary directory; the file is removed when the guard goes.
class TempFile {
public:
    explicit TempFile(const std::string& tag = "take") {
        static std::atomic<unsigned> counter{0};
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        const auto stamp = std::to_string(WAVETEST_PROCESS_ID) + "-" + std::to_string(ticks);
        do {
            path_ = std::filesystem::temp_directory_path() /
                    ("vantorplay-" + tag + "-" + stamp + "-" + std::to_string(counter++) + ".wav");
        } while (std::filesystem::exists(path_));
        text_ = path_.string();
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* c_str() const { return text_.c_str(); }
    const std::string& str() const { return text_; }

private:
    std::filesystem::path path_;
    std::string text_;
};

// A folder in the temporary directory, removed with everything in it when the guard goes.
class TempFolder {
public:
    TempFolder() : marker_("folder") {
        path_ = marker_.str() + ".d";
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& relative) const { return (path_ / relative).make_preferred().string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    TempFile marker_;   // only for its unique name
    std::filesystem::path path_;
};

inline bool writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

inline bool seekFile(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// head at the start, tail ending exactly at fileSize, a hole in between. False when the
// file system refuses a file of that size.
inline bool writeSparseFile(const std::string& path, const Bytes& head, std::uint64_t fileSize, const Bytes& tail) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), file) == head.size();
    ok = ok && seekFile(file, fileSize - tail.size());
    ok = ok && std::fwrite(tail.data(), 1, tail.size(), file) == tail.size();
    ok = std::fclose(file) == 0 && ok;
    std::error_code error;
    return ok && std::filesystem::file_size(path, error) == fileSize && !error;
}

}  // namespace wavetest
