// Block reads from generated takes: padding of the last block, seeking by position, open and
// close ownership, the byte scan of files that cannot be walked, and takes of several gigabytes.

#include "audio/audio_buffer.h"
#include "audio/sample_reader.h"
#include "audio/wave_file_info.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wavetest;

namespace {

Bytes slice(const Bytes& from, std::size_t begin, std::size_t length) {
    return Bytes(from.begin() + static_cast<std::ptrdiff_t>(begin),
                 from.begin() + static_cast<std::ptrdiff_t>(begin + length));
}

Bytes blockBytes(const SampleReader& reader) { return copyBytes(reader.block.data(), reader.block.size()); }

// A stereo 16-bit take with dataSize bytes of samples and a chunk of 0xAB bytes after them.
struct Take {
    Bytes pcm;
    std::size_t dataOffset = 0;
    TempFile file;
    explicit Take(std::size_t dataSize) : pcm(distinctPcm(2, 16, dataSize / 4)) {
        WaveWriter w;
        w.riff();
        w.fmtPcm(2, 48000, 16);
        dataOffset = w.data(pcm);
        w.chunk("LIST", Bytes(64, 0xAB));
        EXPECT_TRUE(writeFile(file.str(), w.bytes()));
    }
};

}  // namespace

TEST(SampleReader, BlocksOfFourThousandFromTenThousandBytes) {
    const int live = AudioBuffer::liveCount();
    Take take(10000);
    SampleReader reader;
    ASSERT_EQ(OpenSampleReader(&reader, take.file.c_str()), kReaderOk);
    EXPECT_NE(reader.file, nullptr);
    EXPECT_EQ(reader.dataOffset, static_cast<std::int64_t>(take.dataOffset));
    EXPECT_EQ(reader.dataSize, 10000);
    EXPECT_EQ(reader.position, 0);
    EXPECT_EQ(reader.block.size(), 0u);

    for (std::size_t start : {0u, 4000u}) {
        ASSERT_EQ(ReadSampleBlock(&reader, 4000), kReaderOk);
        EXPECT_EQ(reader.block.size(), 4000u);
        ASSERT_EQ(reader.block.size(), 4000u);
        EXPECT_EQ(firstMismatch(blockBytes(reader), slice(take.pcm, start, 4000)), -1);
        EXPECT_EQ(reader.position, static_cast<std::int64_t>(start + 4000));
        AudioBuffer taken = std::move(reader.block);   // the caller owns a handed-on block
        EXPECT_EQ(AudioBuffer::liveCount(), live + 1);
    }
    EXPECT_EQ(AudioBuffer::liveCount(), live);

    // The short last block: 2000 data bytes, then 2000 zero bytes, never the 0xAB chunk after the data.
    ASSERT_EQ(ReadSampleBlock(&reader, 4000), kReaderOk);
    Bytes want = slice(take.pcm, 8000, 2000);
    want.resize(4000, 0);
    EXPECT_EQ(firstMismatch(blockBytes(reader), want), -1);
    EXPECT_EQ(reader.position, 12000);

    EXPECT_EQ(ReadSampleBlock(&reader, 4000), kReaderEnd);
    EXPECT_TRUE(reader.block.empty());
    EXPECT_EQ(reader.block.size(), 0u);

    reader.position = 0;   // rewind
    ASSERT_EQ(ReadSampleBlock(&reader, 4000), kReaderOk);
    EXPECT_EQ(firstMismatch(blockBytes(reader), slice(take.pcm, 0, 4000)), -1);

    for (std::int64_t pastEnd : {10000, 10002, 20000}) {
        reader.position = pastEnd;
        EXPECT_EQ(ReadSampleBlock(&reader, 4000), kReaderEnd) << "position " << pastEnd;
    }

    reader.position = 9998;   // two bytes left
    ASSERT_EQ(ReadSampleBlock(&reader, 4000), kReaderOk);
    want = slice(take.pcm, 9998, 2);
    want.resize(4000, 0);
    EXPECT_EQ(firstMismatch(blockBytes(reader), want), -1);

    EXPECT_EQ(CloseSampleReader(&reader), kReaderOk);
    EXPECT_EQ(reader.file, nullptr);
    EXPECT_EQ(reader.dataOffset, 0);
    EXPECT_EQ(reader.dataSize, 0);
    EXPECT_EQ(reader.position, 0);
    EXPECT_EQ(reader.block.size(), 0u);
    EXPECT_TRUE(reader.block.empty());
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

TEST(SampleReader, ExactMultipleEndsRightAfterTheLastFullBlock) {
    Take take(8000);
    SampleReader reader;
    ASSERT_EQ(OpenSampleReader(&reader, take.file.c_str()), kReaderOk);
    EXPECT_EQ(ReadSampleBlock(&reader, 4000), kReaderOk);
    EXPECT_EQ(ReadSampleBlock(&reader, 4000), kReaderOk);
    EXPECT_EQ(firstMismatch(blockBytes(reader), slice(take.pcm, 4000, 4000)), -1);
    EXPECT_EQ(ReadSampleBlock(&reader, 4000), kReaderEnd);
    EXPECT_EQ(reader.position, 8000);
    CloseSampleReader(&reader);
}

TEST(SampleReader, OpenTwiceAndCloseOwnership) {
    const int live = AudioBuffer::liveCount();
    Take first(8000);
    Take second(4000);
    SampleReader reader;
    EXPECT_EQ(ReadSampleBlock(&reader, 4000), kReaderNotOpen);
    ASSERT_EQ(OpenSampleReader(&reader, first.file.c_str()), kReaderOk);
    EXPECT_EQ(AudioBuffer::liveCount(), live);   // nothing of the open stays allocated
    ASSERT_EQ(ReadSampleBlock(&reader, 4000), kReaderOk);
    EXPECT_EQ(AudioBuffer::liveCount(), live + 1);

    std::FILE* const openFile = reader.file;
    const std::byte* const block = reader.block.data();
    EXPECT_EQ(OpenSampleReader(&reader, second.file.c_str()), kReaderNotOpen);
    EXPECT_EQ(reader.file, openFile);
    EXPECT_EQ(reader.dataOffset, static_cast<std::int64_t>(first.dataOffset));
    EXPECT_EQ(reader.dataSize, 8000);
    EXPECT_EQ(reader.position, 4000);
    EXPECT_EQ(reader.block.data(), block);
    EXPECT_EQ(reader.block.size(), 4000u);

    // The block that was never taken is released by the close, and only once.
    EXPECT_EQ(CloseSampleReader(&reader), kReaderOk);
    EXPECT_EQ(AudioBuffer::liveCount(), live);
    EXPECT_EQ(CloseSampleReader(&reader), kReaderOk);
    EXPECT_EQ(AudioBuffer::liveCount(), live);
    EXPECT_EQ(ReadSampleBlock(&reader, 4000), kReaderNotOpen);

    TempFile missing;
    EXPECT_EQ(OpenSampleReader(&reader, missing.c_str()), kReaderNotOpen);
    EXPECT_EQ(reader.file, nullptr);

    WaveWriter noData;
    noData.riff();
    noData.fmtPcm(2, 48000, 16);
    noData.chunk("LIST", Bytes(200, 0x20));
    TempFile headerOnly;
    ASSERT_TRUE(writeFile(headerOnly.str(), noData.bytes()));
    EXPECT_EQ(OpenSampleReader(&reader, headerOnly.c_str()), kReaderNoData);
    EXPECT_EQ(reader.file, nullptr);
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

TEST(SampleReader, ByteScanWhenTheChunkListCannotBeWalked) {
    const Bytes pcm = distinctPcm(2, 16, 100);
    struct Row { const char* name; Bytes bytes; int result; std::int64_t dataOffset; };
    std::vector<Row> rows;
    auto add = [&](const char* name, int result, auto&& build) {
        WaveWriter w;
        w.raw("NOT A RIFF!!");
        const std::int64_t at = build(w);
        rows.push_back({name, w.bytes(), result, at});
    };
    add("data past 8180 bytes but inside 32768", kReaderOk, [&](WaveWriter& w) {
        w.fmtPcm(2, 48000, 16);
        w.raw(Bytes(20000, 0));
        return static_cast<std::int64_t>(w.data(pcm));
    });
    add("no format block: the search starts at 0", kReaderOk, [&](WaveWriter& w) {
        return static_cast<std::int64_t>(w.data(pcm));
    });
    add("data only before the format block", kReaderNoData, [&](WaveWriter& w) {
        w.data(pcm);
        w.fmtPcm(2, 48000, 16);
        return std::int64_t{0};
    });
    add("data past 32768 bytes", kReaderNoData, [&](WaveWriter& w) {
        w.fmtPcm(2, 48000, 16);
        w.raw(Bytes(33000, 0));
        w.data(pcm);
        return std::int64_t{0};
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFile file;
        ASSERT_TRUE(writeFile(file.str(), row.bytes));
        SampleReader reader;
        ASSERT_EQ(OpenSampleReader(&reader, file.c_str()), row.result);
        if (row.result != kReaderOk) {
            EXPECT_EQ(reader.file, nullptr);
            continue;
        }
        EXPECT_EQ(reader.dataOffset, row.dataOffset);
        EXPECT_EQ(reader.dataSize, static_cast<std::int64_t>(pcm.size()));
        ASSERT_EQ(ReadSampleBlock(&reader, 400), kReaderOk);
        EXPECT_EQ(firstMismatch(blockBytes(reader), pcm), -1);
        CloseSampleReader(&reader);
    }
}

TEST(SampleReader, TakesOfSeveralGigabytesKeepTheirLengthAndLastBlock) {
    constexpr std::uint32_t kBlock = 28800;   // 0.1 s of 48 kHz, 24 bits, 2 channels
    const Bytes tail = distinctPcm(2, 24, kBlock / 6);
    const struct { const char* name; bool rf64; std::uint64_t dataSize; std::int64_t frames, seconds; } rows[] = {
        {"3 GB RIFF", false, 3000000000u, 500000000, 10416},          // 3e9 / 6; 500,000,000 / 48000
        {"5 GB RF64", true, 5000000400u, 833333400, 17361},           // 5,000,000,400 / 6; / 48000
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WaveWriter w;
        if (row.rf64) w.rf64();
        else w.riff();
        w.fmtPcm(2, 48000, 24);
        const std::size_t dataOffset = w.dataHeader(row.dataSize);
        const std::uint64_t fileSize = dataOffset + row.dataSize;
        TempFile file("large");
        if (!writeSparseFile(file.str(), w.bytes(fileSize), fileSize, tail))
            GTEST_SKIP() << "the temporary file system refuses a file of " << fileSize << " bytes";

        WaveFileInfo info;
        ASSERT_EQ(InspectWaveFile(&info, file.c_str()), kInspectOk);
        EXPECT_EQ(info.frameCount, row.frames);
        EXPECT_EQ(LengthInSeconds(info), row.seconds);

        SampleReader reader;
        ASSERT_EQ(OpenSampleReader(&reader, file.c_str()), kReaderOk);
        EXPECT_EQ(reader.dataOffset, static_cast<std::int64_t>(dataOffset));
        EXPECT_EQ(reader.dataSize, static_cast<std::int64_t>(row.dataSize));
        const std::uint64_t lastStart = (row.dataSize - 1) / kBlock * kBlock;
        const std::size_t remaining = static_cast<std::size_t>(row.dataSize - lastStart);
        ASSERT_LT(remaining, kBlock);   // the last block is a short one
        reader.position = static_cast<std::int64_t>(lastStart);
        ASSERT_EQ(ReadSampleBlock(&reader, kBlock), kReaderOk);
        Bytes want = slice(tail, tail.size() - remaining, remaining);
        want.resize(kBlock, 0);
        EXPECT_EQ(firstMismatch(blockBytes(reader), want), -1);
        EXPECT_EQ(reader.position, static_cast<std::int64_t>(lastStart + kBlock));
        EXPECT_EQ(ReadSampleBlock(&reader, kBlock), kReaderEnd);
        CloseSampleReader(&reader);
    }
}
