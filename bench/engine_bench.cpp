// The engine's hot work, each beside a yardstick measured in the same run:
//   MixDown/*  one tenth of a second folded to stereo with levels (24-bit and float
//              takes of eight channels, a 24-bit one of sixteen, a 16-bit stereo one),
//              beside Copy/*, a plain memcpy of the same bytes. Each mix iteration also
//              copies the block into a fresh buffer first, as the reader hands it over, so
//              the mix's own cost is roughly MixDown minus Copy.
//   MixDownSet/*  the same for a take of several files: a stereo mix and eight mono tracks
//              of 24 bits, ten channels in nine blocks.
//   Inspect/*  inspection of a 1 MB take and of a 3 GB sparse one with the same header:
//              the two times should match, since inspection reads headers, not samples.
//   TakeSet/*  in a folder of 10,000 small files (1,000 takes of ten mono files each, all
//              of one length, so no file can be passed over by its size): finding the
//              take of one file, and the step to the next take over the rest of its set.
//              The folder is made when one of them first runs.
// The takes are made in a temporary directory when the program starts and removed when
// it ends.

#include "audio/audio_buffer.h"
#include "audio/mixdown.h"
#include "audio/playback.h"
#include "audio/take_set.h"
#include "audio/wave_file_info.h"
#include "tests/support/wave_writer.h"

#include <benchmark/benchmark.h>

#include <bit>
#include <cmath>
#include <numbers>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// ---- sample blocks -------------------------------------------------------------------

struct SampleBlock {
    WaveFileInfo format;
    std::vector<std::byte> bytes;
    std::int64_t frames = 0;
};

// One tenth of a second of a field recording: per channel a tone of its own and a few
// harmonics at dialogue-like levels (-30 to -12 dBFS) over a little noise, so signs and
// magnitudes vary as in real material and no branch is predictable.
SampleBlock makeBlock(int channels, int bits, int rate, SampleFormat sampleFormat = SampleFormat::Pcm) {
    SampleBlock block;
    block.format.channels = channels;
    block.format.bitsPerSample = bits;
    block.format.sampleFormat = sampleFormat;
    block.format.sampleRate = rate;
    block.frames = rate / 10;
    const int bytesPerSample = bits / 8;
    const double fullScale = std::ldexp(1.0, bits - 1) - 1.0;
    block.bytes.resize(static_cast<std::size_t>(block.frames) * channels * bytesPerSample);

    std::uint32_t noise = 12345;
    std::byte* out = block.bytes.data();
    for (std::int64_t k = 0; k < block.frames; ++k) {
        const double t = static_cast<double>(k) / rate;
        for (int c = 0; c < channels; ++c) {
            const double level = std::pow(10.0, (-12.0 - 3.0 * c) / 20.0);
            const double tone = 110.0 * (c + 1) + 7.0 * c;
            double x = 0.7 * std::sin(2 * std::numbers::pi * tone * t) + 0.2 * std::sin(2 * std::numbers::pi * 2.01 * tone * t) +
                       0.1 * std::sin(2 * std::numbers::pi * 3.03 * tone * t + c);
            noise = noise * 1664525u + 1013904223u;
            x = x * level + (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.002;
            const auto sample = sampleFormat == SampleFormat::Float ? std::bit_cast<std::int32_t>(static_cast<float>(x))
                                                                    : static_cast<std::int32_t>(std::lround(x * fullScale));
            for (int b = 0; b < bytesPerSample; ++b)
                *out++ = static_cast<std::byte>((static_cast<std::uint32_t>(sample) >> (8 * b)) & 0xFF);
        }
    }
    return block;
}

void setBlockCounters(benchmark::State& state, const SampleBlock& block) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(block.bytes.size()));
    state.SetItemsProcessed(state.iterations() * block.frames);   // sample frames
}

void mixDown(benchmark::State& state, const SampleBlock* block) {
    ChannelFlags enabled;
    enabled.fill(1);
    ChannelLevels levels{};
    MixOutput output;
    const std::size_t size = block->bytes.size();
    for (auto _ : state) {
        AudioBuffer source = AudioBuffer::allocateUninitialised(size);
        std::memcpy(source.data(), block->bytes.data(), size);
        MixDownBlock(output, std::move(source), block->format, enabled, levels);
        benchmark::DoNotOptimize(output.buffer.data());
        benchmark::DoNotOptimize(levels.data());
        benchmark::ClobberMemory();
    }
    if (output.buffer.size() != static_cast<std::size_t>(block->frames * 4)) state.SkipWithError("wrong output length");
    setBlockCounters(state, *block);
}

// Each file's block is copied as the reader hands it over, then all are mixed at once.
void mixDownSet(benchmark::State& state, const std::vector<SampleBlock>* blocks) {
    ChannelFlags enabled;
    enabled.fill(1);
    ChannelLevels levels{};
    MixOutput output;
    std::vector<TakeBlockPart> parts(blocks->size());
    int firstChannel = 0;
    std::int64_t bytes = 0;
    for (std::size_t k = 0; k < blocks->size(); ++k) {
        parts[k].format = (*blocks)[k].format;
        parts[k].firstChannel = firstChannel;
        firstChannel += (*blocks)[k].format.channels;
        bytes += static_cast<std::int64_t>((*blocks)[k].bytes.size());
    }
    for (auto _ : state) {
        for (std::size_t k = 0; k < blocks->size(); ++k) {
            const std::vector<std::byte>& source = (*blocks)[k].bytes;
            parts[k].block = AudioBuffer::allocateUninitialised(source.size());
            std::memcpy(parts[k].block.data(), source.data(), source.size());
        }
        MixDownTakeBlock(output, parts, blocks->front().format.sampleRate, enabled, levels);
        benchmark::DoNotOptimize(output.buffer.data());
        benchmark::DoNotOptimize(levels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * blocks->front().frames);
}

void copyBlock(benchmark::State& state, const SampleBlock* block) {
    std::vector<std::byte> target(block->bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), block->bytes.data(), block->bytes.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    setBlockCounters(state, *block);
}

// ---- takes on disk -------------------------------------------------------------------

// RIFF header, bext with labels, iXML, an 8 x 24 bit 48 kHz format block and the data
// chunk's header, for a file of totalSize bytes in all.
std::vector<unsigned char> takeHeader(std::uint64_t totalSize) {
    wavetest::WaveWriter take;
    take.riff();
    take.bext("sTAKE=4\r\nsSCENE=12A\r\nsTAPE=DAY03\r\n");
    take.ixml("<?xml version=\"1.0\"?>\n<BWFXML><SCENE>12A</SCENE><TAKE>4</TAKE><TAPE>DAY03</TAPE>"
              "<TRACK_LIST><TRACK_COUNT>8</TRACK_COUNT></TRACK_LIST></BWFXML>\n");
    take.fmtPcm(8, 48000, 24);
    take.dataHeader(totalSize - (take.size() + 8));
    return take.bytes(totalSize);
}

// Writes the header, then either every sample byte (zeros) or, for a sparse take, only
// the last ones after a seek: the file system leaves the hole unallocated.
bool writeTake(const fs::path& path, std::uint64_t totalSize, bool sparse) {
    const std::vector<unsigned char> header = takeHeader(totalSize);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    if (sparse) {
        const unsigned char tail[4] = {1, 2, 3, 4};
        ok = ok && fseeko(file, static_cast<off_t>(totalSize - sizeof tail), SEEK_SET) == 0 &&
             std::fwrite(tail, 1, sizeof tail, file) == sizeof tail;
    } else {
        const std::vector<unsigned char> zeros(totalSize - header.size(), 0);
        ok = ok && std::fwrite(zeros.data(), 1, zeros.size(), file) == zeros.size();
    }
    return std::fclose(file) == 0 && ok;
}

class TakeDirectory {
public:
    static constexpr std::uint64_t kSmallTake = 1u << 20;           // 1 MiB
    static constexpr std::uint64_t kSparseTake = 3ull << 30;        // 3 GiB

    TakeDirectory() {
        std::error_code error;
        const fs::path base = fs::temp_directory_path(error);
        std::string pattern = ((error ? fs::path("/tmp") : base) / "vantor_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data())) return;
        dir_ = pattern;
        small_ = dir_ / "take_1mb.wav";
        sparse_ = dir_ / "take_3gb_sparse.wav";
        ready_ = writeTake(small_, kSmallTake, false) && writeTake(sparse_, kSparseTake, true);
    }
    ~TakeDirectory() {
        std::error_code error;
        if (!dir_.empty()) fs::remove_all(dir_, error);
    }
    TakeDirectory(const TakeDirectory&) = delete;
    TakeDirectory& operator=(const TakeDirectory&) = delete;

    bool ready() const { return ready_; }
    const fs::path& small() const { return small_; }
    const fs::path& sparse() const { return sparse_; }

private:
    fs::path dir_, small_, sparse_;
    bool ready_ = false;
};

void inspect(benchmark::State& state, const fs::path* take) {
    const std::string path = take->string();
    WaveFileInfo info;
    if (InspectWaveFile(&info, path.c_str()) != kInspectOk || info.channels != 8) {
        state.SkipWithError("the take does not inspect as 8 channels");
        return;
    }
    for (auto _ : state) {
        const int result = InspectWaveFile(&info, path.c_str());
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(info);
    }
    state.SetItemsProcessed(state.iterations());   // inspections
    state.counters["file_MB"] = static_cast<double>(fs::file_size(*take)) / 1e6;
    state.counters["take_frames"] = static_cast<double>(info.frameCount);
}

// The whole path the player takes: open the take, then every block read and mixed in turn.
void playTake(benchmark::State& state, const fs::path* take) {
    const std::string path = take->string();
    ChannelFlags enabled;
    enabled.fill(1);
    ChannelLevels levels{};
    std::int64_t blocks = 0;
    for (auto _ : state) {
        PlaybackSession session;
        if (session.open(path.c_str()) != kPlaybackOk) {
            state.SkipWithError("the take does not open for playing");
            return;
        }
        MixOutput output;
        while (session.mixNextBlock(output, enabled, levels)) {
            benchmark::DoNotOptimize(output.buffer.data());
            ++blocks;
        }
    }
    state.SetItemsProcessed(blocks);   // blocks of a tenth of a second
    state.counters["file_MB"] = static_cast<double>(fs::file_size(*take)) / 1e6;
}

// 1,000 takes of ten mono files: T0000_01.WAV ... T0999_10.WAV, 480 frames of 24 bits each,
// every file with its set's iXML.
class SetFolder {
public:
    static constexpr int kTakes = 1000;
    static constexpr int kFilesPerTake = 10;

    SetFolder() {
        std::error_code error;
        const fs::path base = fs::temp_directory_path(error);
        std::string pattern = ((error ? fs::path("/tmp") : base) / "vantor_bench_sets_XXXXXX").string();
        if (!mkdtemp(pattern.data())) return;
        dir_ = pattern;
        ready_ = true;
        for (int take = 0; take < kTakes && ready_; ++take) {
            for (int file = 1; file <= kFilesPerTake && ready_; ++file) {
                char xml[512];
                std::snprintf(xml, sizeof xml,
                              "<?xml version=\"1.0\"?>\n<BWFXML><TAKE>%d</TAKE><FILE_SET><TOTAL_FILES>%d</TOTAL_FILES>"
                              "<FAMILY_UID>UID%04d</FAMILY_UID><FILE_SET_INDEX>%d</FILE_SET_INDEX></FILE_SET><TRACK_LIST>"
                              "<TRACK_COUNT>1</TRACK_COUNT><TRACK><CHANNEL_INDEX>%d</CHANNEL_INDEX><INTERLEAVE_INDEX>1"
                              "</INTERLEAVE_INDEX><NAME>Track %d</NAME></TRACK></TRACK_LIST></BWFXML>\n",
                              take, kFilesPerTake, take, file, file, file);
                wavetest::WaveWriter w;
                w.riff();
                w.fmtPcm(1, 48000, 24);
                w.data(wavetest::distinctPcm(1, 24, 480));
                w.ixml(xml);
                ready_ = wavetest::writeFile(path(take, file), w.bytes());
            }
        }
    }
    ~SetFolder() {
        std::error_code error;
        if (!dir_.empty()) fs::remove_all(dir_, error);
    }
    SetFolder(const SetFolder&) = delete;
    SetFolder& operator=(const SetFolder&) = delete;

    static const SetFolder& shared() {
        static const SetFolder folder;
        return folder;
    }
    bool ready() const { return ready_; }
    std::string path(int take, int file) const {
        char name[32];
        std::snprintf(name, sizeof name, "T%04d_%02d.WAV", take, file);
        return (dir_ / name).string();
    }

private:
    fs::path dir_;
    bool ready_ = false;
};

void findTakeSet(benchmark::State& state) {
    const SetFolder& folder = SetFolder::shared();
    const std::string loaded = folder.path(500, 5);
    if (!folder.ready() || FindTakeSet(loaded).sources.size() != SetFolder::kFilesPerTake) {
        state.SkipWithError("the set folder is not as made");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(FindTakeSet(loaded));
    state.SetItemsProcessed(state.iterations());   // calls
}

void stepToNextTake(benchmark::State& state) {
    const SetFolder& folder = SetFolder::shared();
    const std::string from = folder.path(500, 5);
    if (!folder.ready() || NextTakeInFolder(from, 1) != folder.path(501, 1)) {
        state.SkipWithError("the step does not land on the next take");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(NextTakeInFolder(from, 1));
    state.SetItemsProcessed(state.iterations());   // steps
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    const SampleBlock multichannel = makeBlock(8, 24, 48000);
    const SampleBlock stereo = makeBlock(2, 16, 44100);
    const SampleBlock multichannelFloat = makeBlock(8, 32, 48000, SampleFormat::Float);
    const SampleBlock sixteen = makeBlock(16, 24, 48000);
    std::vector<SampleBlock> tenTrackSet{makeBlock(2, 24, 48000)};
    for (int track = 0; track < 8; ++track) tenTrackSet.push_back(makeBlock(1, 24, 48000));
    const TakeDirectory takes;
    if (!takes.ready()) {
        std::fprintf(stderr, "engine_bench: cannot write the takes to a temporary directory\n");
        return 1;
    }

    benchmark::RegisterBenchmark("MixDown/8ch_24bit_48k", mixDown, &multichannel);
    benchmark::RegisterBenchmark("Copy/8ch_24bit_48k", copyBlock, &multichannel);
    benchmark::RegisterBenchmark("MixDown/8ch_float_48k", mixDown, &multichannelFloat);
    benchmark::RegisterBenchmark("Copy/8ch_float_48k", copyBlock, &multichannelFloat);
    benchmark::RegisterBenchmark("MixDown/16ch_24bit_48k", mixDown, &sixteen);
    benchmark::RegisterBenchmark("Copy/16ch_24bit_48k", copyBlock, &sixteen);
    benchmark::RegisterBenchmark("MixDownSet/2ch+8x1ch_24bit_48k", mixDownSet, &tenTrackSet);
    benchmark::RegisterBenchmark("MixDown/2ch_16bit_44k1", mixDown, &stereo);
    benchmark::RegisterBenchmark("Copy/2ch_16bit_44k1", copyBlock, &stereo);
    benchmark::RegisterBenchmark("Inspect/1MB", inspect, &takes.small());
    benchmark::RegisterBenchmark("Inspect/3GB_sparse", inspect, &takes.sparse());
    benchmark::RegisterBenchmark("Play/1MB", playTake, &takes.small());
    benchmark::RegisterBenchmark("TakeSet/Find_10000_files", findTakeSet)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TakeSet/Step_10000_files", stepToNextTake)->Unit(benchmark::kMillisecond);

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
