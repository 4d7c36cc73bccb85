#include "playback.h"

#include "wave_chunks.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <exception>
#include <utility>

PlaybackSession::PlaybackSession(PlaybackSession&& other) noexcept
    : description_(other.description_), sources_(std::move(other.sources_)),
      sourcesLeftOut_(std::move(other.sourcesLeftOut_)), parts_(std::move(other.parts_)), blockBytes_(other.blockBytes_) {
    other.sources_.clear();
    other.close();
}

PlaybackSession& PlaybackSession::operator=(PlaybackSession&& other) noexcept {
    if (this != &other) {
        close();
        description_ = other.description_;
        sources_ = std::move(other.sources_);
        sourcesLeftOut_ = std::move(other.sourcesLeftOut_);
        parts_ = std::move(other.parts_);
        blockBytes_ = other.blockBytes_;
        other.sources_.clear();   // its files are this one's now
        other.close();
    }
    return *this;
}

int PlaybackSession::open(const char* path) {
    if (!path) {
        close();
        return kPlaybackCannotOpen;
    }
    return open(std::vector<PlaybackSource>{PlaybackSource{path, 0}});
}

int PlaybackSession::open(const std::vector<PlaybackSource>& sources) {
    close();
    if (sources.size() > 1 || (sources.size() == 1 && sources.front().firstChannel != 0)) return openSet(sources);
    if (sources.size() != 1) return kPlaybackUnknownFormat;
    const PlaybackSource& source = sources.front();
    std::FILE* file = std::fopen(source.path.c_str(), "rb");
    if (!file) return kPlaybackCannotOpen;

    const WaveChunks chunks = WalkWaveChunks(file, FileSize64(file));
    if (InspectOpenWaveFile(&description_, source.path.c_str(), file, chunks) != kInspectOk) {
        std::fclose(file);
        return kPlaybackUnknownFormat;
    }
    blockBytes_ = BlockSizeFor(description_);
    Source opened;
    opened.firstChannel = source.firstChannel;
    opened.frameBytes = bytesPerFrame();
    opened.blockBytes = blockBytes_;
    if (OpenSampleReaderOn(&opened.reader, file, chunks) != kReaderOk) return kPlaybackNoSamples;   // the file is closed
    sources_.push_back(std::move(opened));
    return kPlaybackOk;
}

int PlaybackSession::openSet(const std::vector<PlaybackSource>& sources) {
    try {
        std::size_t loaded = 0;
        for (std::size_t k = 0; k < sources.size(); ++k) {
            if (!sources[k].loaded) continue;
            loaded = k;
            break;
        }
        sources_.reserve(sources.size());   // an opened file is never lost to a failed push_back
        std::uint64_t channelsTaken = 0;   // one bit a take channel
        int takeChannels = 0;
        // The loaded file first: it decides the result and the description.
        for (std::size_t step = 0; step < sources.size(); ++step) {
            const std::size_t k = step == 0 ? loaded : step <= loaded ? step - 1 : step;
            const PlaybackSource& source = sources[k];
            const bool isLoaded = step == 0;
            FileHandle file(std::fopen(source.path.c_str(), "rb"));
            if (!file) {
                if (isLoaded) return kPlaybackCannotOpen;
                sourcesLeftOut_.push_back(source.path);
                continue;
            }
            const WaveChunks chunks = WalkWaveChunks(file.get(), FileSize64(file.get()));
            Source opened;
            opened.firstChannel = source.firstChannel;
            const int inspected = InspectOpenWaveFile(isLoaded ? &description_ : &opened.format, source.path.c_str(), file.get(), chunks);
            if (isLoaded) opened.format = description_;
            const int first = source.firstChannel;
            const int channels = opened.format.channels;
            const bool fits = inspected == kInspectOk && first >= 0 && first + channels <= kMaxTakeChannels;
            const std::uint64_t bits = fits ? (channels == 64 ? ~0ull : ((1ull << channels) - 1) << first) : 0;
            if (isLoaded && !fits) return kPlaybackUnknownFormat;
            if (!fits || (channelsTaken & bits) != 0 || opened.format.sampleRate != description_.sampleRate ||
                opened.format.bitsPerSample != description_.bitsPerSample) {
                sourcesLeftOut_.push_back(source.path);
                continue;
            }
            opened.frameBytes = static_cast<std::int64_t>(opened.format.bitsPerSample / 8) * channels;
            opened.blockBytes = BlockSizeFor(opened.format);
            if (isLoaded) blockBytes_ = opened.blockBytes;
            // The reader takes the file over, and closes it on failure.
            if (OpenSampleReaderOn(&opened.reader, file.release(), chunks) != kReaderOk) {
                if (isLoaded) return kPlaybackNoSamples;
                sourcesLeftOut_.push_back(source.path);
                continue;
            }
            if (!isLoaded) blockBytes_ += opened.blockBytes;
            channelsTaken |= bits;
            takeChannels = std::max(takeChannels, first + channels);
            sources_.push_back(std::move(opened));
        }
        description_.channels = takeChannels;
        parts_.resize(sources_.size());
        for (std::size_t k = 0; k < sources_.size(); ++k) {
            parts_[k].format = sources_[k].format;
            parts_[k].firstChannel = sources_[k].firstChannel;
        }
        return kPlaybackOk;
    } catch (const std::exception&) {
        close();   // out of memory: nothing open
        return kPlaybackCannotOpen;
    }
}

void PlaybackSession::close() {
    for (Source& source : sources_) CloseSampleReader(&source.reader);
    sources_.clear();
    sourcesLeftOut_.clear();
    parts_.clear();
    description_ = WaveFileInfo{};
    blockBytes_ = 0;
}

bool PlaybackSession::readable() const { return !sources_.empty() && sources_.front().reader.file != nullptr; }

bool PlaybackSession::mixNextBlock(MixOutput& output, const ChannelFlags& enabled, ChannelLevels& levels) {
    if (!readable()) return false;
    if (sources_.size() > 1 || sources_.front().firstChannel != 0) return mixSetBlock(output, enabled, levels);
    SampleReader& reader = sources_.front().reader;
    if (ReadSampleBlock(&reader, blockBytes_) != kReaderOk) return false;
    MixDownBlock(output, std::move(reader.block), description_, enabled, levels);
    return true;
}

// The loaded file's block decides whether there is one; every other file reads at the same
// frame, and one that has nothing there is silent. Each file then stands at the frame after
// the block, whatever its read did, so none drifts.
bool PlaybackSession::mixSetBlock(MixOutput& output, const ChannelFlags& enabled, ChannelLevels& levels) {
    Source& loaded = sources_.front();
    const std::int64_t frame = loaded.reader.position / loaded.frameBytes;
    if (ReadSampleBlock(&loaded.reader, loaded.blockBytes) != kReaderOk) return false;
    const std::int64_t nextFrame = loaded.reader.position / loaded.frameBytes;
    parts_[0].block = std::move(loaded.reader.block);
    for (std::size_t k = 1; k < sources_.size(); ++k) {
        SampleReader& reader = sources_[k].reader;
        reader.position = frame * sources_[k].frameBytes;
        if (ReadSampleBlock(&reader, sources_[k].blockBytes) == kReaderOk) parts_[k].block = std::move(reader.block);
        else reader.block.reset();
        reader.position = nextFrame * sources_[k].frameBytes;
    }
    MixDownTakeBlock(output, parts_, description_.sampleRate, enabled, levels);
    return true;
}

std::int64_t PlaybackSession::bytesPerFrame() const {
    if (description_.bitsPerSample < 8 || description_.channels <= 0) return 0;
    return static_cast<std::int64_t>(description_.bitsPerSample / 8) * description_.channels;
}

std::int64_t PlaybackSession::bytePosition() const {
    if (sources_.empty()) return 0;
    const Source& loaded = sources_.front();
    if (loaded.frameBytes == bytesPerFrame()) return loaded.reader.position;
    return loaded.frameBytes > 0 ? loaded.reader.position / loaded.frameBytes * bytesPerFrame() : 0;
}

void PlaybackSession::seekToFrame(std::int64_t frame) {
    for (Source& source : sources_) source.reader.position = frame * source.frameBytes;
}

// 64-bit byte positions: a seek anywhere in a take over 2 GB lands in the right place.
void PlaybackSession::seekToSeconds(std::int32_t seconds) {
    seekToFrame(static_cast<std::int64_t>(seconds) * description_.sampleRate);
}

std::int32_t PlaybackSession::positionSeconds() const {
    const std::int64_t frameBytes = bytesPerFrame();
    if (frameBytes == 0 || description_.sampleRate <= 0) return 0;
    const std::int64_t seconds = bytePosition() / frameBytes / description_.sampleRate;
    return static_cast<std::int32_t>(std::min<std::int64_t>(seconds, INT32_MAX));
}
