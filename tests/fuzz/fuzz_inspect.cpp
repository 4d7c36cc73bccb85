// Inspection and the chunk walk on arbitrary files: whatever the bytes, the result is a
// take or "unknown", a take's format is one the player can handle, the labels and the
// info text keep their bounds, and every chunk the walk reports lies inside the file.

#include "fuzz_common.h"

#include "audio/info_text.h"
#include "audio/text_encoding.h"
#include "audio/wave_chunks.h"
#include "audio/wave_file_info.h"

#include <cstring>
#include <string>

namespace {

// A chunk the walk found lies after the 12-byte file header and its own 8-byte chunk
// header and ends within the file; one it did not find has no size.
void checkChunk(std::int64_t offset, std::int64_t size, std::int64_t fileSize) {
    if (offset < 0) {
        FUZZ_CHECK(offset == -1);
        FUZZ_CHECK(size == 0);
        return;
    }
    FUZZ_CHECK(offset >= 20);
    FUZZ_CHECK(size >= 0);
    FUZZ_CHECK(offset <= fileSize);
    FUZZ_CHECK(size <= fileSize - offset);
}

// Byte i of the format block as inspection sees it: zero past the block's end.
std::uint32_t formatByte(const std::uint8_t* data, const WaveChunks& chunks, std::int64_t i) {
    return i < chunks.formatSize ? data[chunks.formatOffset + i] : 0;
}

// Well-formed UTF-8 of code points up to U+FFFF without surrogates: what the terminal
// transcoding of code page 1252 text may produce.
bool wellFormedUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
        if (length == 0 || i + length > text.size()) return false;
        unsigned codePoint = length == 1 ? lead : length == 2 ? lead & 0x1Fu : lead & 0x0Fu;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        const unsigned smallest = length == 1 ? 0 : length == 2 ? 0x80 : 0x800;
        if (codePoint < smallest || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzzing::TempTakePath("inspect");
    fuzzing::WriteTempTake(path, data, size);
    const auto fileSize = static_cast<std::int64_t>(size);

    WaveFileInfo info;
    const int result = InspectWaveFile(&info, path.c_str());
    FUZZ_CHECK(result == kInspectOk || result == kInspectUnknownFormat);
    FUZZ_CHECK(fuzzing::LabelTerminated(info.tape));
    FUZZ_CHECK(fuzzing::LabelTerminated(info.scene));
    FUZZ_CHECK(fuzzing::LabelTerminated(info.take));
    FUZZ_CHECK(fuzzing::LabelTerminated(info.path));
    if (result == kInspectOk) {
        FUZZ_CHECK(info.channels >= 1 && info.channels <= kMaxTakeChannels);
        FUZZ_CHECK(info.sampleRate > 0);
        FUZZ_CHECK(info.bitsPerSample >= 8 && info.bitsPerSample <= 32 && info.bitsPerSample % 8 == 0);
        FUZZ_CHECK(info.sampleFormat == SampleFormat::Pcm || info.bitsPerSample == 32);
        FUZZ_CHECK(info.frameCount >= 0);
        FUZZ_CHECK(std::strcmp(info.path, path.c_str()) == 0);
    }
    const std::string text = FormatWaveInfo(info);
    FUZZ_CHECK(text.size() < 256);
    // The labels are any bytes a file holds; their terminal form is still proper UTF-8.
    const std::string utf8 = Cp1252ToUtf8(text);
    FUZZ_CHECK(utf8.size() >= text.size() && utf8.size() <= 3 * text.size());
    FUZZ_CHECK(wellFormedUtf8(utf8));

    std::FILE* file = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(FileSize64(file) == fileSize);
    const WaveChunks chunks = WalkWaveChunks(file, fileSize);
    std::fclose(file);
    checkChunk(chunks.formatOffset, chunks.formatSize, fileSize);
    checkChunk(chunks.dataOffset, chunks.dataSize, fileSize);
    checkChunk(chunks.bextOffset, chunks.bextSize, fileSize);
    checkChunk(chunks.ixmlOffset, chunks.ixmlSize, fileSize);

    if (chunks.hasFormatAndData()) {
        // Inspection read its format from the block the walk found, not from a byte scan.
        const auto le16 = [&](int at) { return formatByte(data, chunks, at) | (formatByte(data, chunks, at + 1) << 8); };
        const auto le32 = [&](int at) { return le16(at) | (le16(at + 2) << 16); };
        FUZZ_CHECK(info.channels == static_cast<std::int32_t>(le16(2)));
        FUZZ_CHECK(info.sampleRate == static_cast<std::int32_t>(le32(4)));
        FUZZ_CHECK(info.bitsPerSample == static_cast<std::int32_t>(le16(14)));
        if (result == kInspectOk) {
            // The length is the number of whole frames the data chunk holds.
            const std::int64_t frameBytes = static_cast<std::int64_t>(info.bitsPerSample / 8) * info.channels;
            FUZZ_CHECK(info.frameCount * frameBytes <= chunks.dataSize);
            FUZZ_CHECK((info.frameCount + 1) * frameBytes > chunks.dataSize);
        }
    }
    return 0;
}
