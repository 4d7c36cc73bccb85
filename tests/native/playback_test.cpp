// The playback session: what an open says of each kind of file, and that its blocks are the
// take's frames from wherever it was moved to, mixed as the mix-down mixes them.

#include "audio/playback.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
