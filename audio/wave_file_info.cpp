#include "wave_file_info.h"

#include "byte_view.h"
#include "wave_chunks.h"
#include "wave_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

using namespace wave_layout;

constexpr std::int32_t kMaxSampleRate = 1000000;

// Zero-filled bytes that may be missing; a failed allocation is reported, not thrown.
std::unique_ptr<unsigned char[]> zeroedBytes(std::int64_t size) {
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[static_cast<std::size_t>(size)]());
}

// Copies the label that starts at `from` until the stop byte, a zero byte or 32 bytes.
void copyLabel(char (&label)[kLabelLength + 1], const ByteView& view, std::int64_t from, unsigned char stop) {
    int length = 0;
    while (length < kLabelLength) {
        const unsigned char byte = view.at(from + length);
        if (byte == stop || byte == 0) break;
        label[length++] = static_cast<char>(byte);
    }
    label[length] = '\0';
}

// The iXML elements, each searched on its own; the tag must start below `limit`.
void takeIxmlLabels(WaveFileInfo& info, const ByteView& view, std::int64_t from, std::int64_t limit) {
    if (const std::int64_t s = view.find("<SCENE>", from, limit); s >= 0) copyLabel(info.scene, view, s + 7, '<');
    if (const std::int64_t s = view.find("<TAKE>", from, limit); s >= 0) copyLabel(info.take, view, s + 6, '<');
    if (const std::int64_t s = view.find("<TAPE>", from, limit); s >= 0) copyLabel(info.tape, view, s + 6, '<');
}

// Description lines "sTAKE=" and "sSCENE=" replace what the iXML block gave; the byte
// after the key is skipped unexamined.
void takeDescriptionLabels(WaveFileInfo& info, const ByteView& view, std::int64_t limit) {
    if (const std::int64_t t = view.find("sTAKE", 0, limit); t >= 0) copyLabel(info.take, view, t + 6, '\r');
    if (const std::int64_t u = view.find("sSCENE", 0, limit); u >= 0) copyLabel(info.scene, view, u + 7, '\r');
}

void copyPath(WaveFileInfo& info, const char* path) {
    std::strncpy(info.path, path, kWavePathLength - 1);
    info.path[kWavePathLength - 1] = '\0';
}

// The format block's tag (bytes 0-1), channel count (2-3), rate (4-7) and bits per sample
// (14-15), and for an EXTENSIBLE block its valid bits and sub-format. Returns whether the
// samples are of a kind the mix knows: integer PCM or IEEE float. Byte rate and block
// alignment are not needed; the container is bits / 8 bytes a sample.
bool takeFormat(WaveFileInfo& info, const ByteView& view, std::int64_t formatStart) {
    info.channels = view.le16(formatStart + kChannelsAt);
    info.sampleRate = static_cast<std::int32_t>(view.le32(formatStart + kRateAt));
    info.bitsPerSample = view.le16(formatStart + kBitsAt);

    std::uint32_t tag = view.le16(formatStart + kTagAt);
    if (tag == kTagExtensible) {
        for (int i = 0; i < 12; ++i)
            if (view.at(formatStart + kSubFormatAt + 4 + i) != kSubFormatTail[i]) return false;
        tag = view.le32(formatStart + kSubFormatAt);
        // 0 is what writers put when every bit is valid; more than the container is no take.
        if (view.le16(formatStart + kValidBitsAt) > info.bitsPerSample) return false;
    }
    if (tag == kTagPcm) {
        info.sampleFormat = SampleFormat::Pcm;
        return true;
    }
    if (tag == kTagFloat && info.bitsPerSample == 32) {
        info.sampleFormat = SampleFormat::Float;
        return true;
    }
    return false;
}

// Formats the player cannot handle: the divisions by channels and bytes per sample, and
// the length in seconds all need sane values, and the mix reads whole bytes of 8 to 32 bits.
bool readableLayout(const WaveFileInfo& info) {
    return info.channels >= 1 && info.sampleRate > 0 && info.sampleRate <= kMaxSampleRate &&
           info.bitsPerSample >= 8 && info.bitsPerSample <= 32 && info.bitsPerSample % 8 == 0;
}

// ... and the mix's channel tables of kMaxTakeChannels entries. A block that declares more
// is refused here, before anything is sized by its channel count.
FormatVerdict judgeFormat(WaveFileInfo& info, const ByteView& view, std::int64_t formatStart) {
    if (!takeFormat(info, view, formatStart) || !readableLayout(info)) return FormatVerdict::UnknownSampleFormat;
    return info.channels > kMaxTakeChannels ? FormatVerdict::TooManyChannels : FormatVerdict::Playable;
}

std::int64_t framesIn(const WaveFileInfo& info, std::uint64_t dataSize) {
    const std::uint64_t bytesPerSample = static_cast<std::uint64_t>(info.bitsPerSample / 8);
    return static_cast<std::int64_t>(dataSize / bytesPerSample / static_cast<std::uint64_t>(info.channels));
}

// A take whose chunks could be walked: everything comes from the chunks, wherever they lie.
int inspectWalked(WaveFileInfo& info, const char* path, std::FILE* file, const WaveChunks& chunks) {
    unsigned char formatBytes[kExtensibleSize] = {};
    const std::size_t formatGot = ReadAt(file, chunks.formatOffset, formatBytes,
                                         static_cast<std::size_t>(std::min(chunks.formatSize, kExtensibleSize)));
    copyPath(info, path);
    const bool playable = judgeFormat(info, ByteView{formatBytes, formatGot}, 0) == FormatVerdict::Playable;

    if (chunks.ixmlOffset >= 0) {
        const std::int64_t size = std::min(chunks.ixmlSize, kMaxIxmlRead);
        if (auto ixml = zeroedBytes(size + 1)) {
            const std::size_t got = ReadAt(file, chunks.ixmlOffset, ixml.get(), static_cast<std::size_t>(size));
            const ByteView view{ixml.get(), got};
            takeIxmlLabels(info, view, 0, static_cast<std::int64_t>(got));
        }
    }
    if (chunks.bextOffset >= 0) {
        unsigned char description[kDescriptionSize] = {};
        const std::size_t got = ReadAt(file, chunks.bextOffset, description,
                                       static_cast<std::size_t>(std::min(chunks.bextSize, kDescriptionSize)));
        takeDescriptionLabels(info, ByteView{description, got}, static_cast<std::int64_t>(got));
    }

    if (!playable) return kInspectUnknownFormat;
    info.frameCount = framesIn(info, static_cast<std::uint64_t>(chunks.dataSize));
    return kInspectOk;
}

// A file whose chunk list cannot be walked: fixed byte patterns in its first 8192 bytes.
int inspectWindow(WaveFileInfo& info, const char* path, const ByteView& window) {
    bool formatFound = false;
    bool playable = false;
    bool dataFound = false;
    std::uint32_t dataSize = 0;
    const ScannedChunks scanned = ScanForFormatAndData(window, kPatternScanLimit);
    if (scanned.formatAt >= 0) {
        formatFound = true;
        copyPath(info, path);
        playable = judgeFormat(info, window, scanned.formatAt + 8) == FormatVerdict::Playable;   // past the chunk identifier and size
        if (scanned.dataAt >= 0) {
            dataFound = true;
            dataSize = scanned.dataSize;
        }
    }
    if (const std::int64_t x = window.find("BWFXML", 0, kPatternScanLimit); x >= 0)
        takeIxmlLabels(info, window, x + 8, x + 8 + kIxmlTagWindow);
    takeDescriptionLabels(info, window, kPatternScanLimit);

    if (!formatFound || !playable || !dataFound) return kInspectUnknownFormat;
    info.frameCount = framesIn(info, dataSize);
    return kInspectOk;
}

}  // namespace

int InspectWaveFile(WaveFileInfo* info, const char* path) {
    if (!info) return kInspectNoRecord;
    *info = WaveFileInfo{};
    FileHandle file(path ? std::fopen(path, "rb") : nullptr);
    if (!file) return kInspectCannotOpen;
    return InspectOpenWaveFile(info, path, file.get(), WalkWaveChunks(file.get(), FileSize64(file.get())));
}

int InspectOpenWaveFile(WaveFileInfo* info, const char* path, std::FILE* file, const WaveChunks& chunks) {
    if (!info) return kInspectNoRecord;
    *info = WaveFileInfo{};
    auto window = zeroedBytes(kInspectionWindow);
    if (!window) return kInspectNoBuffer;
    if (chunks.hasFormatAndData()) return inspectWalked(*info, path, file, chunks);

    // A short read is no error: the rest of the window stays zero.
    const std::size_t got = ReadAt(file, 0, window.get(), static_cast<std::size_t>(kInspectionWindow));
    return inspectWindow(*info, path, ByteView{window.get(), got});
}

std::int64_t LengthInSeconds(const WaveFileInfo& info) {
    return info.sampleRate > 0 ? info.frameCount / info.sampleRate : 0;
}

std::uint32_t BlockSizeFor(const WaveFileInfo& info) {
    if (info.sampleRate <= 0 || info.bitsPerSample <= 0 || info.channels <= 0) return 0;
    const std::uint64_t size = static_cast<std::uint64_t>(info.sampleRate / 10) *
                               static_cast<std::uint64_t>(info.bitsPerSample / 8) *
                               static_cast<std::uint64_t>(info.channels);
    return size > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(size);
}

FormatVerdict JudgeFormatBlock(WaveFileInfo& info, const unsigned char* bytes, std::size_t size) {
    return judgeFormat(info, ByteView{bytes, size}, 0);
}
