#include "sample_reader.h"

#include "byte_view.h"
#include "wave_chunks.h"
#include "wave_layout.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

// The byte scan for files whose chunk list cannot be walked, the same one inspection
// makes, so the two agree on the data chunk; the reader looks further into the file.
int scanForData(SampleReader& reader, std::FILE* file, std::int64_t fileSize) {
    constexpr std::int64_t scanSize = wave_layout::kReaderScanSize;
    std::unique_ptr<unsigned char[]> scan(new (std::nothrow) unsigned char[scanSize]());
    if (!scan) return kReaderNoMemory;
    const std::size_t got = ReadAt(file, 0, scan.get(), static_cast<std::size_t>(std::min(fileSize, scanSize)));
    const ScannedChunks found = ScanForFormatAndData(ByteView{scan.get(), got}, static_cast<std::int64_t>(got));
    if (found.dataAt < 0) return kReaderNoData;
    reader.dataSize = found.dataSize;
    reader.dataOffset = found.dataAt + 8;
    return kReaderOk;
}

}  // namespace

int OpenSampleReader(SampleReader* reader, const char* path) {
    if (!reader) return kReaderNoRecord;
    if (reader->file) return kReaderNotOpen;
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return kReaderNotOpen;
    return OpenSampleReaderOn(reader, file, WalkWaveChunks(file, FileSize64(file)));
}

int OpenSampleReaderOn(SampleReader* reader, std::FILE* file, const WaveChunks& chunks) {
    if (!reader || reader->file) {
        if (file) std::fclose(file);
        return reader ? kReaderNotOpen : kReaderNoRecord;
    }
    if (!file) return kReaderNotOpen;
    int result = kReaderOk;
    if (chunks.hasFormatAndData()) {
        reader->dataOffset = chunks.dataOffset;
        reader->dataSize = chunks.dataSize;
    } else {
        result = scanForData(*reader, file, FileSize64(file));
    }
    if (result != kReaderOk) {
        std::fclose(file);
        reader->dataOffset = 0;
        reader->dataSize = 0;
        return result;
    }
    reader->file = file;
    reader->position = 0;
    reader->block.reset();
    return kReaderOk;
}

int ReadSampleBlock(SampleReader* reader, std::uint32_t blockSize) {
    if (!reader) return kReaderNoRecord;
    if (!reader->file) return kReaderNotOpen;

    // A position before the data would read the header as samples; past it there is nothing.
    const std::int64_t remaining = reader->dataSize - reader->position;
    if (reader->position < 0 || remaining <= 0) {
        reader->block.reset();
        return kReaderEnd;
    }
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(blockSize, remaining));

    reader->block = AudioBuffer::allocateUninitialised(blockSize);
    if (reader->block.empty()) {
        return kReaderNoMemory;
    }
    std::byte* bytes = reader->block.data();

    if (!SeekFile64(reader->file, reader->dataOffset + reader->position)) {
        std::memset(bytes, 0, blockSize);
        return kReaderEnd;
    }
    const std::size_t got = std::fread(bytes, 1, wanted, reader->file);
    if (std::ferror(reader->file)) {
        std::clearerr(reader->file);
        std::memset(bytes, 0, blockSize);
        return kReaderEnd;
    }
    // The last block, or one of a file shorter than its data chunk claims, ends in silence.
    std::memset(bytes + got, 0, blockSize - got);
    reader->position += blockSize;
    return got > 0 ? kReaderOk : kReaderEnd;
}

int CloseSampleReader(SampleReader* reader) {
    if (!reader) return kReaderNoRecord;
    if (reader->file) std::fclose(reader->file);
    reader->file = nullptr;
    reader->dataOffset = 0;
    reader->dataSize = 0;
    reader->position = 0;
    reader->block.reset();
    return 0;
}
