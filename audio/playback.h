#pragma once
// One take opened for playing: its description, and its sample data handed out a tenth of a
// second at a time as 16-bit stereo with every channel's level, from a position that can be
// moved at any time. Opening walks each file's chunks once; the description and the reader
// both come from that walk. Portable: the player, the playback driver, vantorinfo and the
// benchmarks all play through it.
//
// A take is a list of sources, each a file whose channels take their place in the take's
// channel order: one file, or a set of files (audio/take_set.h) read side by side at the same
// frame position and mixed into one stereo sum.

#include "audio/mixdown.h"
#include "audio/sample_reader.h"
#include "audio/wave_file_info.h"

#include <cstdint>
#include <string>
#include <vector>

struct PlaybackSource {
    std::string path;
    int firstChannel = 0;           // the take's channel index of the file's first channel
    bool loaded = false;            // the file the take was loaded by (the first source when none is)
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
    // The result is the loaded file's. Every other file is opened once as well and plays when
    // it has the loaded file's rate and bit depth and its channels lie within the take's
    // kMaxTakeChannels, apart from every other file's; one that does not, or cannot be
    // opened, is left out (sourcesLeftOut) and its channels read as absent. The take is as
    // long as the loaded file; a file that ends sooner is silent from there.
    int open(const std::vector<PlaybackSource>& sources);
    void close();

    // The take as the player describes it; zeroed before each open. Of a take of several
    // files: the loaded file's path, labels, rate, bits and length, and the take's channel
    // count (up to the last channel of the files that play).
    const WaveFileInfo& description() const { return description_; }
    // The files that play, and those of the last open that were left out.
    std::size_t sourceCount() const { return sources_.size(); }
    const std::vector<std::string>& sourcesLeftOut() const { return sourcesLeftOut_; }
    // Sample data is ready to be read.
    bool readable() const;
    // Bytes of source data one block reads: a tenth of a second of every channel.
    std::uint32_t blockBytes() const { return blockBytes_; }

    // Reads and mixes the next block into output (a new buffer) and levels; false at the end
    // of the (loaded file's) data or on a read failure, with nothing handed out. Every file's
    // block comes from the same frame position.
    bool mixNextBlock(MixOutput& output, const ChannelFlags& enabled, ChannelLevels& levels);

    // The position of the next block: a byte offset into the sample data, always of whole
    // frames (of all the take's channels, as if it were one file); it is not bounded, and at
    // or past the end the next read reports the end. A seek moves every file.
    std::int64_t bytePosition() const;
    void seekToFrame(std::int64_t frame);
    void seekToSeconds(std::int32_t seconds);
    // Whole seconds of the position, as the player shows it; 0 while no format is known.
    std::int32_t positionSeconds() const;

private:
    struct Source {
        int firstChannel = 0;
        WaveFileInfo format;        // of a take of several files: the mix reads each file by its own
        std::int64_t frameBytes = 0;
        std::uint32_t blockBytes = 0;
        SampleReader reader;
    };
    int openSet(const std::vector<PlaybackSource>& sources);
    bool mixSetBlock(MixOutput& output, const ChannelFlags& enabled, ChannelLevels& levels);
    std::int64_t bytesPerFrame() const;

    WaveFileInfo description_;
    std::vector<Source> sources_;             // the loaded file first
    std::vector<std::string> sourcesLeftOut_;
    std::vector<TakeBlockPart> parts_;        // one block a file, kept for its memory
    std::uint32_t blockBytes_ = 0;
};
