#include "playback.h"

#include "wave_chunks.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

PlaybackSession::PlaybackSession(PlaybackSession&& other) noexcept
    : description_(other.description_), sources_(std::move(other.sources_)), blockBytes_(other.blockBytes_) {
    other.sources_.clear();
    other.close();
}

PlaybackSession& PlaybackSession::operator=(PlaybackSession&& other) noexcept {
    if (this != &other) {
        close();
        description_ = other.description_;
        sources_ = std::move(other.sources_);
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
    // One file makes a take today; the list is where a take of several files will come in.
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
    if (OpenSampleReaderOn(&opened.reader, file, chunks) != kReaderOk) return kPlaybackNoSamples;   // the file is closed
    sources_.push_back(std::move(opened));
    return kPlaybackOk;
}

void PlaybackSession::close() {
    for (Source& source : sources_) CloseSampleReader(&source.reader);
    sources_.clear();
    description_ = WaveFileInfo{};
    blockBytes_ = 0;
}

bool PlaybackSession::readable() const { return !sources_.empty() && sources_.front().reader.file != nullptr; }

bool PlaybackSession::mixNextBlock(MixOutput& output, const ChannelFlags& enabled, ChannelLevels& levels) {
    if (!readable()) return false;
    SampleReader& reader = sources_.front().reader;
    if (ReadSampleBlock(&reader, blockBytes_) != kReaderOk) return false;
    MixDownBlock(output, std::move(reader.block), description_, enabled, levels);
    return true;
}

std::int64_t PlaybackSession::bytesPerFrame() const {
    if (description_.bitsPerSample < 8 || description_.channels <= 0) return 0;
    return static_cast<std::int64_t>(description_.bitsPerSample / 8) * description_.channels;
}

std::int64_t PlaybackSession::bytePosition() const { return sources_.empty() ? 0 : sources_.front().reader.position; }

void PlaybackSession::seekToFrame(std::int64_t frame) {
    for (Source& source : sources_) source.reader.position = frame * bytesPerFrame();
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
