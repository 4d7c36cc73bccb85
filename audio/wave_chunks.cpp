#include "wave_chunks.h"

#include "byte_view.h"
#include "wave_layout.h"

#include <algorithm>
#include <cstring>

namespace {

// Real takes have a dozen chunks or so; the bound keeps a file made of millions of
// tiny chunks from costing more than a few thousand small reads.
constexpr int kMaxChunksWalked = 4096;
constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFFu;

bool isChunkId(const unsigned char* id) {
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E) return false;
    return true;
}

bool chunkHeaderAt(std::FILE* file, std::int64_t offset, std::int64_t fileSize) {
    unsigned char header[8];
    if (offset + 8 > fileSize || ReadAt(file, offset, header, 8) < 8) return false;
    return isChunkId(header);
}

bool idIs(const unsigned char* id, const char* name) { return std::memcmp(id, name, 4) == 0; }

void remember(std::int64_t& offset, std::int64_t& size, std::int64_t bodyOffset, std::uint64_t bodySize) {
    if (offset >= 0) return;   // the first chunk of a kind counts
    offset = bodyOffset;
    size = static_cast<std::int64_t>(bodySize);
}

}  // namespace

std::int64_t FileSize64(std::FILE* file) {
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0) return 0;
    const std::int64_t size = _ftelli64(file);
#else
    if (fseeko(file, 0, SEEK_END) != 0) return 0;
    const std::int64_t size = ftello(file);
#endif
    return size < 0 ? 0 : size;
}

bool SeekFile64(std::FILE* file, std::int64_t offset) {
    if (offset < 0) return false;
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::size_t ReadAt(std::FILE* file, std::int64_t offset, void* into, std::size_t length) {
    if (!SeekFile64(file, offset)) return 0;
    return std::fread(into, 1, length, file);
}

WaveChunks WalkWaveChunks(std::FILE* file, std::int64_t fileSize) {
    WaveChunks found;
    unsigned char riff[12];
    if (fileSize < 12 || ReadAt(file, 0, riff, 12) < 12) return found;
    const bool rf64 = idIs(riff, "RF64") || idIs(riff, "BW64");
    if (!(idIs(riff, "RIFF") || rf64) || !idIs(riff + 8, "WAVE")) return found;

    std::uint64_t ds64DataSize = 0;
    bool haveDs64 = false;
    std::int64_t offset = 12;
    for (int step = 0; step < kMaxChunksWalked && offset + 8 <= fileSize; ++step) {
        unsigned char header[8];
        if (ReadAt(file, offset, header, 8) < 8 || !isChunkId(header)) break;
        const ByteView headerView{header, sizeof header};
        std::uint64_t bodySize = headerView.le32(4);
        const std::int64_t body = offset + 8;
        const std::uint64_t available = static_cast<std::uint64_t>(fileSize - body);

        if (rf64 && idIs(header, "ds64") && !haveDs64) {
            unsigned char ds64[16] = {};
            ReadAt(file, body, ds64, sizeof ds64);
            ds64DataSize = ByteView{ds64, sizeof ds64}.le64(8);   // after the 64-bit RIFF size
            haveDs64 = true;
        }
        if (idIs(header, "data") && rf64 && haveDs64 && bodySize == kSizeInDs64) bodySize = ds64DataSize;

        // A chunk cut short by the end of the file holds only what is there.
        const std::uint64_t heldSize = std::min(bodySize, available);
        if (idIs(header, "fmt ")) remember(found.formatOffset, found.formatSize, body, heldSize);
        if (idIs(header, "data") && found.dataOffset < 0) found.dataDeclaredSize = static_cast<std::int64_t>(bodySize);
        if (idIs(header, "data")) remember(found.dataOffset, found.dataSize, body, heldSize);
        if (idIs(header, "bext")) remember(found.bextOffset, found.bextSize, body, heldSize);
        if (idIs(header, "iXML")) remember(found.ixmlOffset, found.ixmlSize, body, heldSize);
        if (bodySize > available) break;

        std::int64_t next = body + static_cast<std::int64_t>(bodySize);
        // An odd-sized chunk is followed by a pad byte, which writers make zero; some
        // recorders leave it out, and then a chunk header starts right at the end.
        if ((bodySize & 1) != 0 && !chunkHeaderAt(file, next, fileSize)) ++next;
        offset = next;
    }
    return found;
}

ScannedChunks ScanForFormatAndData(const ByteView& bytes, std::int64_t dataLimit) {
    ScannedChunks found;
    found.formatAt = bytes.find("fmt", 0, wave_layout::kFormatScanLimit);
    // A "data" before the format block is not seen.
    found.dataAt = bytes.find("data", std::max<std::int64_t>(found.formatAt, 0), dataLimit);
    if (found.dataAt >= 0) found.dataSize = bytes.le32(found.dataAt + 4);
    return found;
}
