// The information field's text, byte for byte, in code page 1252 and as UTF-8.

#include "audio/info_text.h"
#include "audio/text_encoding.h"
#include "audio/wave_file_info.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace wavetest;

namespace {

WaveFileInfo take(int rate, int bits, int channels, std::int64_t frames, const char* tape, const char* scene,
                  const char* takeLabel) {
    WaveFileInfo info;
    info.sampleRate = rate;
    info.bitsPerSample = bits;
    info.channels = channels;
    info.frameCount = frames;
    std::strncpy(info.tape, tape, kLabelLength);
    std::strncpy(info.scene, scene, kLabelLength);
    std::strncpy(info.take, takeLabel, kLabelLength);
    return info;
}

}  // namespace

TEST(InfoText, KilohertzWithoutTrailingZeros) {
    const struct { std::int32_t rate; const char* text; } rows[] = {
        {44100, "44.1"}, {48000, "48"},   {96000, "96"},       {22050, "22.05"}, {88200, "88.2"},
        {11025, "11.025"}, {8000, "8"},   {192000, "192"},     {44056, "44.056"}, {32001, "32.001"},
        {1000000, "1000"},
    };
    for (const auto& row : rows) EXPECT_EQ(FormatKilohertz(row.rate), row.text) << row.rate;
}

TEST(InfoText, ExactBytes) {
    const std::string thirtyTwo(32, 'Z');
    const struct { const char* name; WaveFileInfo info; std::string text; } rows[] = {
        {"eight channels with labels", take(48000, 24, 8, 95 * 48000 + 47999, "T1", "12A", "3"),
         " Format: 48 kHz / 24 Bit\r\n Channels:   8\r\n L\xE4nge: 95 sec\r\n Tape: T1 \r\n Scene: 12A \r\n Take: 3"},
        {"empty labels, under a second", take(44100, 16, 2, 44099, "", "", ""),
         " Format: 44.1 kHz / 16 Bit\r\n Channels:   2\r\n L\xE4nge: 0 sec\r\n Tape:  \r\n Scene:  \r\n Take: "},
        {"3 GB take, full-length labels", take(48000, 24, 2, 500000000, thirtyTwo.c_str(), thirtyTwo.c_str(),
                                             thirtyTwo.c_str()),
         " Format: 48 kHz / 24 Bit\r\n Channels:   2\r\n L\xE4nge: 10416 sec\r\n Tape: " + thirtyTwo +
             " \r\n Scene: " + thirtyTwo + " \r\n Take: " + thirtyTwo},
        {"sixteen channels: the count right-aligned in four places", take(48000, 24, 16, 48000, "", "", ""),
         " Format: 48 kHz / 24 Bit\r\n Channels:  16\r\n L\xE4nge: 1 sec\r\n Tape:  \r\n Scene:  \r\n Take: "},
        {"sixty-four channels", take(96000, 32, 64, 96000 * 7, "A", "B", "C"),
         " Format: 96 kHz / 32 Bit\r\n Channels:  64\r\n L\xE4nge: 7 sec\r\n Tape: A \r\n Scene: B \r\n Take: C"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string text = FormatWaveInfo(row.info);
        EXPECT_EQ(text, row.text);
        EXPECT_LT(text.size(), 256u);
    }
    EXPECT_STREQ(kUnknownFormatText, " unknown fileformat");
}

TEST(InfoText, Utf8ForTheTerminal) {
    EXPECT_EQ(Cp1252ToUtf8("L\xE4nge: 9 sec\r\n"), "L\xC3\xA4nge: 9 sec\r\n");
    EXPECT_EQ(Cp1252ToUtf8("caf\xE9 \x80 5"), "caf\xC3\xA9 \xE2\x82\xAC 5");
    EXPECT_EQ(Cp1252ToUtf8(" unknown fileformat"), " unknown fileformat");
    EXPECT_EQ(Cp1252ToUtf8(""), "");
}

TEST(InfoText, TextOfAnInspectedTake) {
    WaveWriter w;
    w.riff();
    w.fmtExtensible(6, 48000, 24);
    w.bext("sSCENE=12A\r\nsTAKE=4\r\n");
    w.ixml(ixmlDocument("<TAPE>DAY2</TAPE><SCENE>7</SCENE><TAKE>9</TAKE>"));
    w.data(Bytes(48000u * 18u * 3u + 18u, 0));   // 3 seconds and one frame of 6 x 24 bits
    TempFile file;
    ASSERT_TRUE(writeFile(file.str(), w.bytes()));
    WaveFileInfo info;
    ASSERT_EQ(InspectWaveFile(&info, file.c_str()), kInspectOk);
    EXPECT_EQ(FormatWaveInfo(info),
              " Format: 48 kHz / 24 Bit\r\n Channels:   6\r\n L\xE4nge: 3 sec\r\n Tape: DAY2 \r\n Scene: 12A \r\n Take: 4");
}
