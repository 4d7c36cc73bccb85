// Inspection of generated takes: the chunk walk, the byte scans for files that cannot be
// walked, the labels, the rejections, and agreement with the sample reader on where the
// sample data starts.

#include "audio/audio_buffer.h"
#include "audio/sample_reader.h"
#include "audio/wave_chunks.h"
#include "audio/wave_file_info.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace wavetest;

namespace {

struct Inspected {
    int result = 99;
    WaveFileInfo info;
};

Inspected inspectBytes(const TempFile& file, const Bytes& bytes) {
    EXPECT_TRUE(writeFile(file.str(), bytes));
    Inspected out;
    out.result = InspectWaveFile(&out.info, file.c_str());
    return out;
}

// The reader must start at dataOffset and hand back exactly pcm, then silence.
void expectReaderReads(const TempFile& file, std::int64_t dataOffset, const Bytes& pcm) {
    const int live = AudioBuffer::liveCount();
    SampleReader reader;
    ASSERT_EQ(OpenSampleReader(&reader, file.c_str()), kReaderOk);
    EXPECT_EQ(reader.dataOffset, dataOffset);
    EXPECT_EQ(reader.dataSize, static_cast<std::int64_t>(pcm.size()));
    constexpr std::uint32_t kBlock = 4096;
    Bytes got;
    for (std::size_t guard = 0; guard <= pcm.size() / kBlock + 1; ++guard) {
        if (ReadSampleBlock(&reader, kBlock) != kReaderOk) break;
        ASSERT_EQ(reader.block.size(), kBlock);
        const Bytes block = copyBytes(reader.block.data(), kBlock);
        got.insert(got.end(), block.begin(), block.end());
        reader.block.reset();
    }
    const std::size_t blocks = (pcm.size() + kBlock - 1) / kBlock;
    ASSERT_EQ(got.size(), blocks * kBlock);
    Bytes want = pcm;
    want.resize(got.size(), 0);
    EXPECT_EQ(firstMismatch(got, want), -1);
    EXPECT_EQ(CloseSampleReader(&reader), kReaderOk);
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

const std::string kNotRiff = "NOT A RIFF!!";   // 12 bytes where "RIFF....WAVE" would be

}  // namespace

TEST(Inspect, ByteScanForFilesThatCannotBeWalked) {
    struct Row {
        const char* name;
        Bytes bytes;
        int result;
        bool pathSet;
        int channels, rate, bits;
        std::int64_t frames;
    };
    auto build = [](auto&& add) { WaveWriter w; w.raw(kNotRiff); add(w); return w.bytes(); };
    const Row rows[] = {
        {"1,000,000 bytes, 24 bits, 6 channels: 333,333 samples, 55,555 frames",
         build([](WaveWriter& w) { w.fmtPcm(6, 48000, 24); w.data(Bytes(1000000, 0x11)); }),
         0, true, 6, 48000, 24, 55555},
        {"format block, no data after it",
         build([](WaveWriter& w) { w.fmtPcm(2, 44100, 16); w.raw(Bytes(100, 0x22)); }),
         1, true, 2, 44100, 16, 0},
        {"data before the format block is not seen",
         build([](WaveWriter& w) { w.data(Bytes(400, 0x33)); w.fmtPcm(2, 48000, 16); }),
         1, true, 2, 48000, 16, 0},
        {"no format block: path stays empty even with data",
         build([](WaveWriter& w) { w.data(Bytes(400, 0x44)); }),
         1, false, 0, 0, 0, 0},
        {"format block only past the first 8188 bytes",
         build([](WaveWriter& w) { w.raw(Bytes(8180, 0)); w.fmtPcm(2, 48000, 16); w.data(Bytes(400, 0x55)); }),
         1, false, 0, 0, 0, 0},
        {"data only past the first 8180 bytes",
         build([](WaveWriter& w) { w.fmtPcm(2, 48000, 16); w.raw(Bytes(8200, 0)); w.data(Bytes(400, 0x66)); }),
         1, true, 2, 48000, 16, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFile file;
        const Inspected got = inspectBytes(file, row.bytes);
        EXPECT_EQ(got.result, row.result);
        EXPECT_EQ(std::string(got.info.path), row.pathSet ? file.str() : std::string());
        EXPECT_EQ(got.info.channels, row.channels);
        EXPECT_EQ(got.info.sampleRate, row.rate);
        EXPECT_EQ(got.info.bitsPerSample, row.bits);
        EXPECT_EQ(got.info.frameCount, row.frames);
    }

    // The same 1,000,000 bytes behind a RIFF header are walked to the same length.
    WaveWriter walked;
    walked.riff();
    walked.fmtExtensible(6, 48000, 24);
    walked.data(Bytes(1000000, 0x11));
    TempFile file;
    const Inspected got = inspectBytes(file, walked.bytes());
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.info.frameCount, 55555);
}

TEST(Inspect, ByteScanLabelsUseTheTagWindowAndDescriptionLines) {
    // The tag window is 512 bytes from 8 past "BWFXML": TAPE and TAKE lie in it, SCENE beyond.
    const std::string xml = "<BWFXML>\n  <TAPE>R2</TAPE><TAKE>8</TAKE>" + std::string(600, ' ') + "<SCENE>9</SCENE>";
    struct Row { const char* name; std::string description; const char* scene; const char* take; };
    const Row rows[] = {
        {"iXML alone", "", "", "8"},
        {"description lines win", "sTAKE=4\r\nsSCENE=21B\r\n", "21B", "4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WaveWriter w;
        w.raw(kNotRiff);
        w.fmtPcm(1, 48000, 16);
        w.raw(row.description);
        w.raw(xml);
        w.data(Bytes(960, 0));
        TempFile file;
        const Inspected got = inspectBytes(file, w.bytes());
        EXPECT_EQ(got.result, 0);
        EXPECT_STREQ(got.info.tape, "R2");
        EXPECT_STREQ(got.info.scene, row.scene);
        EXPECT_STREQ(got.info.take, row.take);
    }
}

TEST(Inspect, ChannelCountsAndDepthsOfWalkableTakes) {
    const struct { int channels, bits, rate; } rows[] = {
        {1, 16, 48000}, {2, 16, 44100}, {6, 16, 48000}, {8, 16, 44100},
        {1, 24, 44100}, {2, 24, 48000}, {6, 24, 44100}, {8, 24, 48000},
        {10, 16, 48000}, {16, 24, 48000}, {24, 32, 44100}, {64, 16, 48000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.channels) + " channels, " + std::to_string(row.bits) + " bits");
        constexpr std::size_t kFrames = 4801;
        const Bytes pcm = tonePcm(row.channels, row.bits, kFrames, row.rate, 440.0, row.bits == 16 ? 30000 : 8000000);
        WaveWriter w;
        w.riff();
        if (row.channels > 2) w.fmtExtensible(row.channels, row.rate, row.bits);
        else w.fmtPcm(row.channels, row.rate, row.bits);
        const std::size_t dataOffset = w.data(pcm);
        TempFile file;
        const Inspected got = inspectBytes(file, w.bytes());
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(std::string(got.info.path), file.str());
        EXPECT_EQ(got.info.channels, row.channels);
        EXPECT_EQ(got.info.sampleRate, row.rate);
        EXPECT_EQ(got.info.bitsPerSample, row.bits);
        EXPECT_EQ(got.info.frameCount, static_cast<std::int64_t>(kFrames));
        expectReaderReads(file, static_cast<std::int64_t>(dataOffset), pcm);
    }
}

TEST(Inspect, RejectsFormatsThePlayerCannotHandle) {
    const struct { int channels; std::uint32_t rate; int bits; int result; std::int64_t frames; } rows[] = {
        {0, 48000, 16, 1, -1},       {65, 48000, 16, 1, -1},     {65535, 48000, 16, 1, -1},
        {2, 0, 16, 1, -1},
        {2, 48000, 4, 1, -1},        {2, 48000, 40, 1, -1},      {2, 1000001, 16, 1, -1},
        {2, 0x80000000u, 16, 1, -1},  // negative as a signed rate
        {2, 48000, 8, 0, 480},       {2, 1000000, 32, 0, 120},   {8, 48000, 24, 0, 40},
        {9, 48000, 16, 0, 53},       {64, 48000, 8, 0, 15},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.channels) + " ch, " + std::to_string(row.rate) + " Hz, " +
                     std::to_string(row.bits) + " bits");
        WaveWriter w;
        w.riff();
        w.fmtPcm(row.channels, row.rate, row.bits);
        w.data(Bytes(960, 0x01));
        TempFile file;
        const Inspected got = inspectBytes(file, w.bytes());
        EXPECT_EQ(got.result, row.result);
        if (row.frames >= 0) {
            EXPECT_EQ(got.info.frameCount, row.frames);   // 960 bytes / (bits / 8) / channels
        }
    }
}

TEST(Inspect, SampleFormatsByTagAndSubFormat) {
    // 960 bytes of data in two channels: 480 frames of 8 bits, 240 of 16, 160 of 24, 120 of 32.
    const std::uint32_t kPcm = 1, kFloat = 3;
    struct Row {
        const char* name;
        std::function<void(WaveWriter&)> format;
        int result;
        SampleFormat sampleFormat;
        int bits;
        std::int64_t frames;
    };
    const SampleFormat pcm = SampleFormat::Pcm, ieee = SampleFormat::Float;
    const Row rows[] = {
        {"tag 1, 8 bits", [](WaveWriter& w) { w.fmtTagged(1, 2, 48000, 8); }, 0, pcm, 8, 480},
        {"tag 1, 32 bits", [](WaveWriter& w) { w.fmtTagged(1, 2, 48000, 32); }, 0, pcm, 32, 120},
        {"tag 1, 12 bits: no whole bytes", [](WaveWriter& w) { w.fmtTagged(1, 2, 48000, 12); }, 1, pcm, 12, 0},
        {"tag 1, 20 bits", [](WaveWriter& w) { w.fmtTagged(1, 2, 48000, 20); }, 1, pcm, 20, 0},
        {"tag 3, 32 bits: float", [](WaveWriter& w) { w.fmtTagged(3, 2, 48000, 32); }, 0, ieee, 32, 120},
        {"tag 3, 64 bits", [](WaveWriter& w) { w.fmtTagged(3, 2, 48000, 64); }, 1, pcm, 64, 0},
        {"tag 3, 16 bits", [](WaveWriter& w) { w.fmtTagged(3, 2, 48000, 16); }, 1, pcm, 16, 0},
        {"tag 2 (ADPCM)", [](WaveWriter& w) { w.fmtTagged(2, 2, 48000, 16); }, 1, pcm, 16, 0},
        {"tag 0xFFFF", [](WaveWriter& w) { w.fmtTagged(0xFFFF, 2, 48000, 16); }, 1, pcm, 16, 0},
        {"extensible PCM, 24 valid of 32", [&](WaveWriter& w) { w.fmtExtensible(2, 48000, 32, kPcm, 24); }, 0, pcm, 32, 120},
        {"extensible PCM, valid bits 0", [&](WaveWriter& w) { w.fmtExtensible(2, 48000, 24, kPcm, 0); }, 0, pcm, 24, 160},
        {"extensible PCM, 33 valid of 32", [&](WaveWriter& w) { w.fmtExtensible(2, 48000, 32, kPcm, 33); }, 1, pcm, 32, 0},
        {"extensible PCM, 12 bits", [&](WaveWriter& w) { w.fmtExtensible(2, 48000, 12, kPcm); }, 1, pcm, 12, 0},
        {"extensible float, 32 bits", [&](WaveWriter& w) { w.fmtExtensible(2, 48000, 32, kFloat); }, 0, ieee, 32, 120},
        {"extensible float, 64 bits", [&](WaveWriter& w) { w.fmtExtensible(2, 48000, 64, kFloat); }, 1, pcm, 64, 0},
        {"extensible sub-format 2", [](WaveWriter& w) { w.fmtExtensible(2, 48000, 16, 2); }, 1, pcm, 16, 0},
        {"extensible PCM with a wrong GUID tail", [&](WaveWriter& w) {
             Bytes body = w.extensibleBody(2, 48000, 16, kPcm);
             body[39] = 0x72;
             w.chunk("fmt ", body);
         }, 1, pcm, 16, 0},
        {"extensible block cut after cbSize", [&](WaveWriter& w) {
             Bytes body = w.extensibleBody(2, 48000, 16, kPcm);
             body.resize(18);
             w.chunk("fmt ", body);
         }, 1, pcm, 16, 0},
    };
    for (const Row& row : rows) {
        for (const bool walkable : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (walkable ? ", walked" : ", byte-scanned"));
            WaveWriter w;
            if (walkable) w.riff();
            else w.raw(kNotRiff);
            row.format(w);
            w.data(Bytes(960, 0x01));
            TempFile file;
            const Inspected got = inspectBytes(file, w.bytes());
            EXPECT_EQ(got.result, row.result);
            EXPECT_EQ(got.info.sampleFormat, row.sampleFormat);
            EXPECT_EQ(got.info.channels, 2);
            EXPECT_EQ(got.info.sampleRate, 48000);
            EXPECT_EQ(got.info.bitsPerSample, row.bits);
            EXPECT_EQ(got.info.frameCount, row.frames);
        }
    }
}

TEST(Inspect, ResultCodesLengthAndBlockSize) {
    EXPECT_EQ(InspectWaveFile(nullptr, "whatever.wav"), kInspectNoRecord);

    WaveFileInfo info;
    info.channels = 7;
    info.frameCount = 123;
    std::strcpy(info.take, "x");
    std::strcpy(info.path, "y");
    TempFile missing;   // never written
    EXPECT_EQ(InspectWaveFile(&info, missing.c_str()), kInspectCannotOpen);
    EXPECT_EQ(info.channels, 0);
    EXPECT_EQ(info.frameCount, 0);
    EXPECT_STREQ(info.take, "");
    EXPECT_STREQ(info.path, "");

    info.sampleRate = 48000;
    info.frameCount = 95 * 48000 + 47999;
    EXPECT_EQ(LengthInSeconds(info), 95);
    info.sampleRate = 0;
    EXPECT_EQ(LengthInSeconds(info), 0);

    info.sampleRate = 44100;   // 4410 frames of 3 bytes and 8 channels
    info.bitsPerSample = 24;
    info.channels = 8;
    EXPECT_EQ(BlockSizeFor(info), 105840u);
    info.sampleRate = 22050;   // 2205 frames of 2 bytes, mono
    info.bitsPerSample = 16;
    info.channels = 1;
    EXPECT_EQ(BlockSizeFor(info), 4410u);
}

namespace {

struct Layout {
    const char* name;
    Bytes bytes;
    std::size_t fmtOffset, fmtSize, bextOffset, ixmlOffset, ixmlSize, dataOffset;
    Bytes pcm;
    int channels, rate, bits;
    std::int64_t frames;
    const char *tape, *scene, *take;
};

// Six channels of 24 bits; bext, iXML and a 124,664-byte PAD chunk push the data past 131,000.
Layout bigPadLayout() {
    Layout l{"PAD chunk before the data", {}, 0, 40, 0, 0, 0, 0, distinctPcm(6, 24, 1000),
             6, 48000, 24, 1000, "DAY3", "14", "2"};
    const std::string xml = ixmlDocument("<TAPE>DAY3</TAPE><SCENE>99</SCENE><TAKE>98</TAKE>", 6000);
    WaveWriter w;
    w.riff();
    l.fmtOffset = w.fmtExtensible(6, 48000, 24);
    l.bextOffset = w.bext("sSCENE=14\r\nsTAKE=2\r\n");
    l.ixmlOffset = w.ixml(xml);
    l.ixmlSize = xml.size();
    w.filler("PAD ", 124664);
    l.dataOffset = w.data(l.pcm);
    l.bytes = w.bytes();
    return l;
}

// Mono, data from byte 10,878, odd-sized without its pad byte, an iXML chunk right after it.
Layout splitMonoLayout() {
    Layout l{"split mono, odd data without pad byte", {}, 0, 16, 0, 0, 0, 0, distinctPcm(1, 16, 4800),
             1, 48000, 16, 4800, "SPLIT7", "5", "1"};
    l.pcm.push_back(0x5A);   // 9601 bytes: a half sample at the end
    // 0x110 bytes: the size's low byte is no character, so a walker looking one byte too far sees no chunk.
    const std::string xml = ixmlDocument("<TAPE>SPLIT7</TAPE>", 0x110);
    WaveWriter w;
    w.riff();
    l.fmtOffset = w.fmtPcm(1, 48000, 16);
    l.bextOffset = w.bext("sSCENE=5\r\nsTAKE=1\r\n");
    w.filler("JUNK", 10216);
    l.dataOffset = w.data(l.pcm, Pad::None);
    l.ixmlOffset = w.ixml(xml);
    l.ixmlSize = xml.size();
    l.bytes = w.bytes();
    return l;
}

// Stereo with every label in an iXML chunk after the data.
Layout ixmlAfterDataLayout() {
    Layout l{"iXML after the data", {}, 0, 16, 0, 0, 0, 0, distinctPcm(2, 16, 4410),
             2, 44100, 16, 4410, "T-01", "3B", "12"};
    const std::string xml = ixmlDocument("<PROJECT>x</PROJECT><SCENE>3B</SCENE><TAKE>12</TAKE><TAPE>T-01</TAPE>");
    WaveWriter w;
    w.riff();
    l.fmtOffset = w.fmtPcm(2, 44100, 16);
    l.dataOffset = w.data(l.pcm);
    l.ixmlOffset = w.ixml(xml);
    l.ixmlSize = xml.size();
    l.bytes = w.bytes();
    return l;
}

}  // namespace

TEST(Inspect, RecorderLayoutsAreWalked) {
    const Layout layouts[] = {bigPadLayout(), splitMonoLayout(), ixmlAfterDataLayout()};
    ASSERT_GT(layouts[0].dataOffset, 131000u);
    ASSERT_EQ(layouts[1].dataOffset, 10878u);
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        TempFile file;
        const Inspected got = inspectBytes(file, l.bytes);
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(got.info.channels, l.channels);
        EXPECT_EQ(got.info.sampleRate, l.rate);
        EXPECT_EQ(got.info.bitsPerSample, l.bits);
        EXPECT_EQ(got.info.frameCount, l.frames);
        EXPECT_STREQ(got.info.tape, l.tape);
        EXPECT_STREQ(got.info.scene, l.scene);
        EXPECT_STREQ(got.info.take, l.take);
        expectReaderReads(file, static_cast<std::int64_t>(l.dataOffset), l.pcm);

        std::FILE* f = std::fopen(file.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        const std::int64_t size = FileSize64(f);
        const WaveChunks chunks = WalkWaveChunks(f, size);
        std::fclose(f);
        EXPECT_EQ(size, static_cast<std::int64_t>(l.bytes.size()));
        EXPECT_EQ(chunks.formatOffset, static_cast<std::int64_t>(l.fmtOffset));
        EXPECT_EQ(chunks.formatSize, static_cast<std::int64_t>(l.fmtSize));
        EXPECT_EQ(chunks.dataOffset, static_cast<std::int64_t>(l.dataOffset));
        EXPECT_EQ(chunks.dataSize, static_cast<std::int64_t>(l.pcm.size()));
        EXPECT_EQ(chunks.bextOffset, l.bextOffset ? static_cast<std::int64_t>(l.bextOffset) : -1);
        EXPECT_EQ(chunks.ixmlOffset, static_cast<std::int64_t>(l.ixmlOffset));
        EXPECT_EQ(chunks.ixmlSize, static_cast<std::int64_t>(l.ixmlSize));
    }
}

TEST(Inspect, Rf64SizesComeFromDs64) {
    const Bytes pcm = distinctPcm(2, 24, 4800);
    WaveWriter w;
    w.rf64();
    w.fmtPcm(2, 48000, 24);
    const std::size_t dataOffset = w.data(pcm);
    w.ixml(ixmlDocument("<TAPE>R64</TAPE>"));   // found only when the walk steps over the data by the ds64 size
    TempFile file;
    const Inspected got = inspectBytes(file, w.bytes());
    EXPECT_EQ(got.result, 0);
    EXPECT_EQ(got.info.frameCount, 4800);
    EXPECT_STREQ(got.info.tape, "R64");
    expectReaderReads(file, static_cast<std::int64_t>(dataOffset), pcm);
}

TEST(Inspect, TheWordDataInLabelTextIsNotTheDataChunk) {
    const Bytes pcm = distinctPcm(2, 16, 2400);
    struct Row { const char* name; Bytes bytes; std::size_t dataOffset; const char* scene; const char* take; };
    std::vector<Row> rows;
    {
        WaveWriter w;
        w.riff();
        w.fmtPcm(2, 48000, 16);
        w.bext("sSCENE=data\r\nsTAKE=metadata\r\n");
        w.ixml(ixmlDocument("<NOTE>data</NOTE><SCENE>7</SCENE>"));
        const std::size_t at = w.data(pcm);
        rows.push_back({"walkable take", w.bytes(), at, "data", "metadata"});
    }
    {
        WaveWriter w;   // not walkable: the scans start at the format block
        w.raw(kNotRiff);
        w.raw("sTAKE=data\r\n");
        w.fmtPcm(2, 48000, 16);
        const std::size_t at = w.data(pcm);
        rows.push_back({"byte-scanned take", w.bytes(), at, "", "data"});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFile file;
        const Inspected got = inspectBytes(file, row.bytes);
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(got.info.frameCount, 2400);
        EXPECT_STREQ(got.info.scene, row.scene);
        EXPECT_STREQ(got.info.take, row.take);
        expectReaderReads(file, static_cast<std::int64_t>(row.dataOffset), pcm);
    }
}

TEST(Inspect, GarbageAndOversizedChunks) {
    const Bytes pcm = distinctPcm(2, 16, 2400);
    struct Row { const char* name; Bytes bytes; std::size_t dataOffset; };
    std::vector<Row> rows;
    auto add = [&](const char* name, auto&& build) {
        WaveWriter w;
        w.riff();
        w.fmtPcm(2, 48000, 16);
        const std::size_t at = build(w);
        rows.push_back({name, w.bytes(), at});
    };
    add("garbage after the data", [&](WaveWriter& w) { auto at = w.data(pcm); w.raw(Bytes(37, 0xFF)); return at; });
    add("garbage between format and data", [&](WaveWriter& w) { w.raw(Bytes{0xFF, 0x00, 0x13}); return w.data(pcm); });
    add("chunk after the data claims 4 GB", [&](WaveWriter& w) {
        auto at = w.data(pcm);
        w.chunkHeader("LIST", 0xFFFFFFF0u);
        w.raw("abc");
        return at;
    });
    add("data claims more than the file holds", [&](WaveWriter& w) {
        auto at = w.chunkHeader("data", 100000);
        w.raw(pcm);
        return at;
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFile file;
        const Inspected got = inspectBytes(file, row.bytes);
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(got.info.channels, 2);
        EXPECT_EQ(got.info.frameCount, 2400);
        expectReaderReads(file, static_cast<std::int64_t>(row.dataOffset), pcm);
    }
}

TEST(Inspect, LabelRules) {
    const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
    const std::string first32 = forty.substr(0, 32);
    struct Row {
        const char* name;
        bool hasBext;
        std::string description, originator, ixmlInner;
        std::string tape, scene, take;
    };
    const Row rows[] = {
        {"description lines beat iXML; the tape comes from iXML", true, "sTAPE=X9\r\nsSCENE=12A\r\nsTAKE=3\r\n", "",
         "<TAPE>R7</TAPE><SCENE>7</SCENE><TAKE>9</TAKE>", "R7", "12A", "3"},
        {"iXML fills what the description lacks; empty TAKE", true, "sNOTE=x\r\n", "",
         "<TAPE>R7</TAPE><SCENE>7</SCENE><TAKE></TAKE>", "R7", "7", ""},
        {"no tape from the description", true, "sTAPE=X9\r\nsTAKE=2\r\n", "", "", "", "", "2"},
        {"values cut to 32 characters", true, "sSCENE=" + forty + "\r\n", "", "<TAKE>" + forty + "</TAKE>",
         "", first32, first32},
        {"a line ended by LF alone runs on", true, "sSCENE=12A\nsTAKE=3\r\n", "", "", "", "12A\nsTAKE=3", "3"},
        {"only the first 256 bytes of bext are description", true, "", "sTAKE=99\r\n", "<TAKE>5</TAKE>",
         "", "", "5"},
        {"the whole iXML chunk is searched", false, "", "", std::string(1000, ' ') + "<SCENE>40B</SCENE>",
         "", "40B", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WaveWriter w;
        w.riff();
        w.fmtPcm(1, 48000, 16);
        if (row.hasBext) w.bext(row.description, row.originator);
        if (!row.ixmlInner.empty()) w.ixml(ixmlDocument(row.ixmlInner));
        w.data(Bytes(960, 0));
        TempFile file;
        const Inspected got = inspectBytes(file, w.bytes());
        EXPECT_EQ(got.result, 0);
        EXPECT_EQ(std::string(got.info.tape), row.tape);
        EXPECT_EQ(std::string(got.info.scene), row.scene);
        EXPECT_EQ(std::string(got.info.take), row.take);
    }
}
