#pragma once
// One take opened for playing: its description, and its sample data handed out a tenth of a
// second at a time as 16-bit stereo with every channel's level, from a position that can be
// moved at any time. Opening walks each file's chunks once; the description and the reader
// both come from that walk. Portable: the player, the playback driver, vantorinfo and the
// benchmarks all play through it.
//
// A take is a list of sources, each a file whose channels take their place in the take's
// channel order; today a take is one file.

#include "audio/mixdown.h"
#include "audio/sample_reader.h"
#include "audio/wave_file_info.h"

#include <cstdint>
#include <string>
#include <vector>

struct PlaybackSource {
    std::string path;
    int firstChannel = 0;           // the take's channel index of the file's first channel
};

// Results of PlaybackSession::open.
constexpr int kPlaybackOk = 0;
constexpr int kPlaybackUnknownFormat = 1;   // not a take the player knows (what was found is still described)
constexpr int kPlaybackNoSamples = 2;       // described, but its sample data cannot be read
constexpr int kPlaybackCannotOpen = 3;      // no file, or it cannot be opened

class PlaybackSession {
public:
    PlaybackSession() = default;
    PlaybackSession(const PlaybackSession&) = delete;
    PlaybackSession& operator=(const PlaybackSession&) = delete;
    PlaybackSession(PlaybackSession&& other) noexcept;
    PlaybackSession& operator=(PlaybackSession&& other) noexcept;   // closes what this one had open
    ~PlaybackSession() { close(); }

    int open(const char* path);
    int open(const std::vector<PlaybackSource>& sources);
    void close();

    // The take as the player describes it; zeroed before each open.
    const WaveFileInfo& description() const { return description_; }
    // Sample data is ready to be read.
    bool readable() const;
    // Bytes of source data one block reads: a tenth of a second of every channel.
    std::uint32_t blockBytes() const { return blockBytes_; }

    // Reads and mixes the next block into output (a new buffer) and levels; false at the end
    // of the data or on a read failure, with nothing handed out.
    bool mixNextBlock(MixOutput& output, const ChannelFlags& enabled, ChannelLevels& levels);

    // The position of the next block: a byte offset into the sample data, always of whole
    // frames; it is not bounded, and at or past the end the next read reports the end.
    std::int64_t bytePosition() const;
    void seekToFrame(std::int64_t frame);
    void seekToSeconds(std::int32_t seconds);
    // Whole seconds of the position, as the player shows it; 0 while no format is known.
    std::int32_t positionSeconds() const;

private:
    struct Source {
        int firstChannel = 0;
        SampleReader reader;
    };
    std::int64_t bytesPerFrame() const;

    WaveFileInfo description_;
    std::vector<Source> sources_;
    std::uint32_t blockBytes_ = 0;
};
