// The sample reader on arbitrary files: it opens what inspection accepts, at the same
// data, every block it hands out has the length asked for and holds exactly the file's
// sample bytes with silence after them, moving the position anywhere is safe, reading
// ends, and no block outlives its owner.
//
// The reader's knobs come from input bytes 4..7, the RIFF size field, which the chunk
// walk never reads: the seed takes serve this fuzzer as they are, and a mutation there
// changes how the take is read, not what it is.
//   bytes 4-5  block size - 1 (1..65536 bytes)
//   byte 6     which position changes to make, and which blocks the caller keeps
//   byte 7     where the jumps land, in 256ths of the data

#include "fuzz_common.h"

#include "audio/audio_buffer.h"
#include "audio/sample_reader.h"
#include "audio/wave_chunks.h"
#include "audio/wave_file_info.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

struct Input {
    const std::uint8_t* data;
    std::int64_t size;
    std::uint8_t at(std::int64_t i) const { return i >= 0 && i < size ? data[i] : 0; }
};

struct Plan {
    std::uint32_t blockSize;
    std::uint8_t moves;
    std::uint8_t landing;
};

constexpr std::uint8_t kJumpPastEnd = 1 << 0;
constexpr std::uint8_t kJumpBeforeStart = 1 << 1;
constexpr std::uint8_t kJumpIntoData = 1 << 2;
constexpr std::uint8_t kLeaveLastBlock = 1 << 3;   // the close frees the block nobody took
constexpr std::size_t kMaxKeptBlocks = 16;

// Where inspection's byte scan puts the sample data of a file whose chunks cannot be
// walked: after the first "data" at or after the first "fmt". Used only when inspection
// accepted the file, so both exist.
std::int64_t scannedDataOffset(const Input& input) {
    const auto find = [&](const char* pattern, std::int64_t from) -> std::int64_t {
        const std::size_t length = std::strlen(pattern);
        for (std::int64_t i = std::max<std::int64_t>(from, 0); i + static_cast<std::int64_t>(length) <= input.size; ++i)
            if (std::memcmp(input.data + i, pattern, length) == 0) return i;
        return -1;
    };
    const std::int64_t format = find("fmt", 0);
    const std::int64_t data = format < 0 ? -1 : find("data", format);
    return data < 0 ? -1 : data + 8;
}

bool allZero(const std::byte* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (bytes[i] != std::byte{0}) return false;
    return true;
}

// Reads one block at the reader's position and checks it against the file's bytes.
int readAndCheck(SampleReader& reader, std::uint32_t blockSize, const Input& input) {
    const std::int64_t position = reader.position;
    const int result = ReadSampleBlock(&reader, blockSize);

    if (position < 0 || position >= reader.dataSize) {
        // Outside the data there is nothing to read and no block.
        FUZZ_CHECK(result == kReaderEnd);
        FUZZ_CHECK(reader.block.empty());
        FUZZ_CHECK(reader.position == position);
        return result;
    }

    const bool inFile = reader.dataOffset + position < input.size;
    FUZZ_CHECK(result == (inFile ? kReaderOk : kReaderEnd));
    if (result == kReaderEnd) {
        // A block left by a read that found nothing is silence.
        FUZZ_CHECK(reader.block.empty() || allZero(reader.block.data(), reader.block.size()));
        FUZZ_CHECK(reader.block.empty() || reader.block.size() == blockSize);
        return result;
    }

    FUZZ_CHECK(!reader.block.empty());
    FUZZ_CHECK(reader.block.size() == blockSize);
    FUZZ_CHECK(reader.position == position + blockSize);
    // The file's bytes up to the end of the data or of the file, then silence.
    const std::int64_t first = reader.dataOffset + position;
    const std::int64_t held = std::min<std::int64_t>({blockSize, reader.dataSize - position, input.size - first});
    FUZZ_CHECK(held > 0);
    FUZZ_CHECK(std::memcmp(reader.block.data(), input.data + first, static_cast<std::size_t>(held)) == 0);
    FUZZ_CHECK(allZero(reader.block.data() + held, blockSize - static_cast<std::size_t>(held)));
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzzing::TempTakePath("reader");
    fuzzing::WriteTempTake(path, data, size);
    const Input input{data, static_cast<std::int64_t>(size)};
    const Plan plan{1u + (input.at(4) | (static_cast<std::uint32_t>(input.at(5)) << 8)), input.at(6), input.at(7)};
    const int liveAtStart = AudioBuffer::liveCount();

    WaveFileInfo info;
    const int inspection = InspectWaveFile(&info, path.c_str());
    std::FILE* file = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(file != nullptr);
    const WaveChunks chunks = WalkWaveChunks(file, input.size);
    std::fclose(file);

    SampleReader reader;
    const int opened = OpenSampleReader(&reader, path.c_str());
    FUZZ_CHECK(opened == kReaderOk || opened == kReaderNoData);
    if (chunks.hasFormatAndData()) {
        // The walk found the data, so the reader must use exactly that and nothing past the file.
        FUZZ_CHECK(opened == kReaderOk);
        FUZZ_CHECK(reader.dataOffset == chunks.dataOffset);
        FUZZ_CHECK(reader.dataSize == chunks.dataSize);
        FUZZ_CHECK(reader.dataOffset + reader.dataSize <= input.size);
    } else if (opened == kReaderOk) {
        // Found by the byte scan: right after a "data" identifier and its size.
        FUZZ_CHECK(reader.dataOffset >= 8 && reader.dataOffset - 4 <= input.size);
        FUZZ_CHECK(std::memcmp(data + reader.dataOffset - 8, "data", 4) == 0);
    }
    if (inspection == kInspectOk) {
        // What inspection called a take the reader can play, from the same data chunk.
        FUZZ_CHECK(opened == kReaderOk);
        if (!chunks.hasFormatAndData()) FUZZ_CHECK(reader.dataOffset == scannedDataOffset(input));
        const std::int64_t frameBytes = static_cast<std::int64_t>(info.bitsPerSample / 8) * info.channels;
        FUZZ_CHECK(info.frameCount * frameBytes <= reader.dataSize);
        FUZZ_CHECK((info.frameCount + 1) * frameBytes > reader.dataSize);
    }
    if (opened != kReaderOk) {
        FUZZ_CHECK(reader.file == nullptr);
        FUZZ_CHECK(ReadSampleBlock(&reader, plan.blockSize) == kReaderNotOpen);
        FUZZ_CHECK(AudioBuffer::liveCount() == liveAtStart);
        return 0;
    }
    FUZZ_CHECK(reader.file != nullptr);
    FUZZ_CHECK(reader.position == 0 && reader.block.empty());
    const std::int64_t dataOffset = reader.dataOffset;
    FUZZ_CHECK(OpenSampleReader(&reader, path.c_str()) == kReaderNotOpen);
    FUZZ_CHECK(reader.dataOffset == dataOffset);

    std::vector<AudioBuffer> kept;
    const int firstResult = readAndCheck(reader, plan.blockSize, input);
    std::vector<std::byte> firstBlock;
    if (!reader.block.empty()) {
        firstBlock.assign(reader.block.data(), reader.block.data() + reader.block.size());
        kept.push_back(std::move(reader.block));
        FUZZ_CHECK(reader.block.empty());
    }

    const std::int64_t landing = reader.dataSize * plan.landing / 256;
    if (plan.moves & kJumpPastEnd) {
        reader.position = reader.dataSize + plan.landing;
        FUZZ_CHECK(readAndCheck(reader, plan.blockSize, input) == kReaderEnd);
    }
    if (plan.moves & kJumpBeforeStart) {
        reader.position = -1 - static_cast<std::int64_t>(plan.landing);
        FUZZ_CHECK(readAndCheck(reader, plan.blockSize, input) == kReaderEnd);
    }
    if (plan.moves & kJumpIntoData) {
        reader.position = landing;
        readAndCheck(reader, plan.blockSize, input);
    }

    // Back to the start: the same first block again.
    reader.position = 0;
    FUZZ_CHECK(readAndCheck(reader, plan.blockSize, input) == firstResult);
    FUZZ_CHECK(reader.block.size() == firstBlock.size());
    FUZZ_CHECK(firstBlock.empty() || std::memcmp(reader.block.data(), firstBlock.data(), firstBlock.size()) == 0);

    // Then on to the end, which comes after at most one block per block size of file.
    const std::int64_t sampleBytesInFile = std::max<std::int64_t>(input.size - reader.dataOffset, 0);
    const std::int64_t maxReads = (sampleBytesInFile + plan.blockSize - 1) / plan.blockSize + 1;
    const std::size_t keepEvery = 1 + (plan.moves >> 4);
    std::int64_t reads = 0;
    for (int result = kReaderOk; result == kReaderOk;) {
        FUZZ_CHECK(++reads <= maxReads);
        result = readAndCheck(reader, plan.blockSize, input);
        const bool take = !(plan.moves & kLeaveLastBlock) || result == kReaderOk;
        if (take && !reader.block.empty() && reads % keepEvery == 0 && kept.size() < kMaxKeptBlocks)
            kept.push_back(std::move(reader.block));
    }

    // Every block taken is the caller's alone; the close frees only the reader's own.
    FUZZ_CHECK(CloseSampleReader(&reader) == 0);
    FUZZ_CHECK(reader.file == nullptr && reader.block.empty());
    FUZZ_CHECK(AudioBuffer::liveCount() == liveAtStart + static_cast<int>(kept.size()));
    kept.clear();
    FUZZ_CHECK(AudioBuffer::liveCount() == liveAtStart);
    return 0;
}
