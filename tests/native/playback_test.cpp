// The playback session: what an open says of each kind of file, and that its blocks are the
// take's frames from wherever it was moved to, mixed as the mix-down mixes them.

#include "audio/playback.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace wavetest;

namespace {

// 3 s of distinct stereo 16-bit frames at 1000 Hz: a block is 100 frames, 400 bytes.
Bytes stereoTake() {
    WaveWriter w;
    w.riff();
    w.fmtPcm(2, 1000, 16);
    w.data(distinctPcm(2, 16, 3000));
    return w.bytes();
}

std::int16_t leftAt(const MixOutput& output, std::size_t frame) {
    std::int16_t value = 0;
    std::memcpy(&value, output.buffer.data() + frame * 4, 2);
    return value;
}

}  // namespace

TEST(Playback, OpenSaysWhatTheFileIs) {
    TempFile take, junk;
    ASSERT_TRUE(writeFile(take.str(), stereoTake()));
    ASSERT_TRUE(writeFile(junk.str(), bytesOf("this is no take at all")));
    const struct { std::string path; int result; int channels; bool readable; } rows[] = {
        {take.str(), kPlaybackOk, 2, true},
        {junk.str(), kPlaybackUnknownFormat, 0, false},
        {take.str() + ".missing", kPlaybackCannotOpen, 0, false},
    };
    PlaybackSession session;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(session.open(row.path.c_str()), row.result);
        EXPECT_EQ(session.description().channels, row.channels) << "a failed open describes nothing of the last take";
        EXPECT_EQ(session.readable(), row.readable);
        EXPECT_EQ(session.blockBytes(), row.readable ? 400u : 0u);
    }
}

TEST(Playback, BlocksAreTheTakesFramesFromWhereverItMoved) {
    TempFile take;
    ASSERT_TRUE(writeFile(take.str(), stereoTake()));
    PlaybackSession session;
    ASSERT_EQ(session.open(take.str().c_str()), kPlaybackOk);
    ChannelFlags enabled{};
    enabled.fill(1);
    ChannelLevels levels{};
    // Where the block starts, and the whole seconds of the position after it.
    const struct { std::int64_t seekFrame; std::int32_t secondsAfter; } rows[] = {{0, 0}, {2000, 2}, {2950, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seekFrame);
        session.seekToFrame(row.seekFrame);
        EXPECT_EQ(session.bytePosition(), row.seekFrame * 4);
        MixOutput output;
        ASSERT_TRUE(session.mixNextBlock(output, enabled, levels));
        ASSERT_EQ(output.buffer.size(), 400u);
        EXPECT_EQ(leftAt(output, 0), distinctSample(static_cast<std::size_t>(row.seekFrame), 0, 16));
        EXPECT_EQ(session.positionSeconds(), row.secondsAfter);
    }
    // The last block held 50 frames and silence; the next read is the end, with nothing handed out.
    MixOutput after;
    EXPECT_FALSE(session.mixNextBlock(after, enabled, levels));
    EXPECT_TRUE(after.buffer.empty());
    session.seekToSeconds(1);
    EXPECT_EQ(session.bytePosition(), 4000);
}

namespace {

// Loud 24-bit tones, channel c at 7 Hz * (c + 1) at 1000 Hz: sums of a side saturate.
std::int32_t loudTone(std::size_t frame, int channel) {
    return static_cast<std::int32_t>(std::lround(8000000 * std::sin(2 * 3.14159265358979 * 7 * (channel + 1) * static_cast<double>(frame) / 1000)));
}

Bytes takeOf(int channels, const Bytes& pcm, const std::string& takeLabel) {
    WaveWriter w;
    w.riff();
    w.fmtExtensible(channels, 1000, 24);
    w.ixml(ixmlDocument("<TAKE>" + takeLabel + "</TAKE>"));
    w.data(pcm);
    return w.bytes();
}

struct Played {
    std::vector<Bytes> blocks;
    std::vector<ChannelLevels> levels;
};

// Every block from the start, then from frame 1234 to the end.
Played playAll(PlaybackSession& session, const ChannelFlags& enabled) {
    Played played;
    for (const std::int64_t from : {std::int64_t{0}, std::int64_t{1234}}) {
        session.seekToFrame(from);
        MixOutput output;
        ChannelLevels levels{};
        for (int guard = 0; guard < 100 && session.mixNextBlock(output, enabled, levels); ++guard) {
            played.blocks.push_back(copyBytes(output.buffer.data(), output.buffer.size()));
            played.levels.push_back(levels);
            output.buffer.reset();
        }
    }
    return played;
}

}  // namespace

TEST(Playback, ASetOfFilesPlaysAsTheSameChannelsInOneFile) {
    // Eight channels in five files of 1, 2, 1, 2 and 2 channels, so files start on either
    // side; the third file is the one loaded.
    const int widths[] = {1, 2, 1, 2, 2};
    TempFile whole("whole");
    ASSERT_TRUE(writeFile(whole.str(), takeOf(8, makePcm(8, 24, 2950, loudTone), "whole")));
    std::vector<TempFile> parts(5);
    std::vector<PlaybackSource> sources;
    for (int k = 0, first = 0; k < 5; first += widths[k], ++k) {
        const Bytes pcm = makePcm(widths[k], 24, 2950, [first](std::size_t f, int c) { return loudTone(f, first + c); });
        ASSERT_TRUE(writeFile(parts[k].str(), takeOf(widths[k], pcm, "part" + std::to_string(k + 1))));
        sources.push_back(PlaybackSource{parts[k].str(), first, k == 2});
    }

    PlaybackSession one, set;
    ASSERT_EQ(one.open(whole.c_str()), kPlaybackOk);
    const int live = AudioBuffer::liveCount();
    ASSERT_EQ(set.open(sources), kPlaybackOk);
    EXPECT_EQ(set.sourceCount(), 5u);
    EXPECT_EQ(set.description().channels, 8);
    EXPECT_EQ(set.description().frameCount, 2950);
    EXPECT_STREQ(set.description().take, "part3");
    EXPECT_EQ(std::string(set.description().path), parts[2].str());
    EXPECT_EQ(set.blockBytes(), one.blockBytes());

    ChannelFlags enabled{};
    enabled.fill(1);
    for (const bool someOff : {false, true}) {
        SCOPED_TRACE(someOff ? "channels 2 and 5 off" : "all channels on");
        if (someOff) enabled[1] = enabled[4] = 0;
        const Played expected = playAll(one, enabled);
        const Played got = playAll(set, enabled);
        ASSERT_EQ(expected.blocks.size(), 30u + 18u);   // 2950 frames from 0, 1716 from 1234, 100 a block
        ASSERT_EQ(got.blocks.size(), expected.blocks.size());
        for (std::size_t b = 0; b < got.blocks.size(); ++b) {
            EXPECT_EQ(firstMismatch(got.blocks[b], expected.blocks[b]), -1) << "block " << b;
            EXPECT_EQ(got.levels[b], expected.levels[b]) << "block " << b;
        }
        EXPECT_EQ(set.bytePosition(), one.bytePosition());
    }
    set.close();
    EXPECT_EQ(AudioBuffer::liveCount(), live);
}

TEST(Playback, AFileOfTheSetThatCannotPlayIsLeftOut) {
    const Bytes pcm = distinctPcm(1, 24, 300);
    TempFile loaded, gone, otherRate;
    ASSERT_TRUE(writeFile(loaded.str(), takeOf(1, pcm, "1")));
    WaveWriter w;
    w.riff();
    w.fmtPcm(1, 2000, 24);
    w.data(pcm);
    ASSERT_TRUE(writeFile(otherRate.str(), w.bytes()));
    PlaybackSession set;
    ASSERT_EQ(set.open({{loaded.str(), 0, true}, {gone.str(), 1, false}, {otherRate.str(), 2, false}}), kPlaybackOk);
    EXPECT_EQ(set.sourcesLeftOut(), (std::vector<std::string>{gone.str(), otherRate.str()}));
    EXPECT_EQ(set.description().channels, 1);
    // The loaded file decides: one that cannot be opened fails the take as one file would.
    EXPECT_EQ(set.open({{gone.str(), 0, true}, {loaded.str(), 1, false}}), kPlaybackCannotOpen);
    EXPECT_FALSE(set.readable());
}
