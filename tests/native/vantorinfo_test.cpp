// Runs the vantorinfo program that sits beside this test on generated takes and checks
// what it prints, its exit status and the mix it writes.

#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace wavetest;

namespace {

std::string toolPath() {
    char self[1024] = {};
#ifdef _WIN32
    GetModuleFileNameA(nullptr, self, sizeof self - 1);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1) + "vantorinfo.exe";
#else
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, length > 0 ? static_cast<std::size_t>(length) : 0);
    return path.substr(0, path.find_last_of('/') + 1) + "vantorinfo";
#endif
}

struct RunResult {
    std::string output;
    int status = -1;
};

RunResult runTool(const std::string& arguments) {
    // cmd.exe takes a command line that starts with a quote only when the whole line is quoted again.
#ifdef _WIN32
    const std::string command = "\"\"" + toolPath() + "\" " + arguments + "\"";
    std::FILE* pipe = popen(command.c_str(), "rb");
#else
    const std::string command = "'" + toolPath() + "' " + arguments;
    std::FILE* pipe = popen(command.c_str(), "r");
#endif
    RunResult result;
    if (!pipe) return result;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) result.output.append(chunk, got);
    const int raw = pclose(pipe);
#ifdef _WIN32
    result.status = raw;
#else
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    return result;
}

std::string quoted(const TempFile& file) { return "\"" + file.str() + "\""; }

}  // namespace

TEST(VantorInfo, PrintsThePlayersTextForEveryLayoutAndFlagsUnknownFiles) {
    // A recorder take: bext before fmt, a 124,664-byte PAD chunk, iXML after the data.
    TempFile padded("padded");
    {
        WaveWriter w;
        w.riff();
        w.bext("sSPEED=025.000-ND\r\nsTAKE=4\r\nsSCENE=22B\r\n");
        w.fmtPcm(6, 48000, 24);
        w.filler("PAD ", 124664);
        w.data(Bytes(6 * 3 * 48000 * 3, 0));   // 3 s
        w.ixml(ixmlDocument("<SCENE>9</SCENE><TAKE>1</TAKE><TAPE>DAY03</TAPE>"));
        ASSERT_TRUE(writeFile(padded.str(), w.bytes()));
    }
    // A split mono file: odd-sized data with no pad byte, then another chunk.
    TempFile mono("mono");
    {
        WaveWriter w;
        w.riff();
        w.fmtPcm(1, 96000, 24);
        w.data(Bytes(3 * 96000 * 2 + 1, 0), Pad::None);   // 2 s and one stray byte
        w.ixml(ixmlDocument("<TAPE>CARD2</TAPE><SCENE>5</SCENE><TAKE>12</TAKE>"));
        ASSERT_TRUE(writeFile(mono.str(), w.bytes()));
    }
    TempFile notATake("text");
    ASSERT_TRUE(writeFile(notATake.str(), bytesOf("just some text, no wave in here")));

    const RunResult run = runTool("--cp1252 " + quoted(padded) + " " + quoted(mono) + " " + quoted(notATake));
    const std::string expected = padded.str() + "\r\n"
        " Format: 48 kHz / 24 Bit\r\n Channels:   6\r\n L\xE4nge: 3 sec\r\n Tape: DAY03 \r\n Scene: 22B \r\n Take: 4\r\n"
        "\r\n" + mono.str() + "\r\n"
        " Format: 96 kHz / 24 Bit\r\n Channels:   1\r\n L\xE4nge: 2 sec\r\n Tape: CARD2 \r\n Scene: 5 \r\n Take: 12\r\n"
        "\r\n" + notATake.str() + "\r\n unknown fileformat\r\n";
    EXPECT_EQ(run.output, expected);
    EXPECT_EQ(run.status, 1);

    const RunResult known = runTool("--utf8 " + quoted(padded));
    EXPECT_NE(known.output.find(" L\xC3\xA4nge: 3 sec\r\n"), std::string::npos) << known.output;
    EXPECT_EQ(known.status, 0);
}

TEST(VantorInfo, MixesAStereoTakeIntoAWaveFileBlockByBlock) {
    // 2 channels, 16 bits, 8000 Hz: blocks of 800 frames; 1000 frames fill two blocks.
    const std::size_t frames = 1000;
    const Bytes pcm = makePcm(2, 16, frames, [](std::size_t f, int c) {
        return static_cast<std::int32_t>(c == 0 ? f * 7 : -static_cast<std::int32_t>(f) * 5);
    });
    TempFile take("stereo");
    {
        WaveWriter w;
        w.riff();
        w.fmtPcm(2, 8000, 16);
        w.data(pcm);
        ASSERT_TRUE(writeFile(take.str(), w.bytes()));
    }
    TempFile mix("mix");
    const RunResult run = runTool("--mix \"" + mix.str() + "\" --levels " + quoted(take));
    ASSERT_EQ(run.status, 0) << run.output;

    // One level line per block; the absent channels read -48.
    int lines = 0;
    for (std::size_t at = 0; (at = run.output.find("-48 -48 -48 -48 -48 -48\n", at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, 2) << run.output;

    std::FILE* file = std::fopen(mix.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Bytes written;
    for (int byte; (byte = std::fgetc(file)) != EOF;) written.push_back(static_cast<std::uint8_t>(byte));
    std::fclose(file);

    // A stereo 16-bit take mixes to itself, padded with silence to whole blocks.
    Bytes expectedData = pcm;
    expectedData.resize(2 * 800 * 4, 0);
    WaveWriter expected;
    expected.riff();
    expected.fmtPcm(2, 8000, 16);
    expected.data(expectedData);
    EXPECT_EQ(firstMismatch(written, expected.bytes()), -1);
}

TEST(VantorInfo, TakesOfMoreThanEightChannelsShowEveryChannel) {
    // 16 channels of 16 bits at 8000 Hz, one block of 800 frames: 8216 (level -3) on the odd
    // channels, 16380 (level 0) on the even ones.
    TempFile take("sixteen");
    {
        WaveWriter w;
        w.riff();
        w.fmtExtensible(16, 8000, 16);
        w.data(makePcm(16, 16, 800, [](std::size_t, int c) { return c % 2 == 0 ? 8216 : 16380; }));
        ASSERT_TRUE(writeFile(take.str(), w.bytes()));
    }
    const RunResult info = runTool("--cp1252 " + quoted(take));
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find(" Channels:  16\r\n L\xE4nge: 0 sec\r\n"), std::string::npos) << info.output;

    const RunResult levels = runTool("--levels " + quoted(take));
    EXPECT_EQ(levels.status, 0);
    EXPECT_EQ(levels.output, "-3 0 -3 0 -3 0 -3 0 -3 0 -3 0 -3 0 -3 0\n");
}

namespace {

Bytes shortTake(int bits) {
    WaveWriter w;
    w.riff();
    w.fmtPcm(1, 48000, bits);
    w.data(distinctPcm(1, bits, 480));
    return w.bytes();
}

std::string readText(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, got);
        std::fclose(file);
    }
    return text;
}

// Each row's first two fields, "file,status".
std::vector<std::string> fileAndStatus(const std::string& csv) {
    std::vector<std::string> rows;
    for (std::size_t at = csv.find("\r\n") + 2; at < csv.size(); at = csv.find("\r\n", at) + 2) {
        const std::size_t second = csv.find(',', csv.find(',', at) + 1);
        rows.push_back(csv.substr(at, second - at));
    }
    return rows;
}

}  // namespace

TEST(VantorInfo, ReportGivesEveryFileOfAFolderItsRowInNameOrder) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "b_day2");
    ASSERT_TRUE(writeFile(folder.file("a_take.wav"), shortTake(16)));
    ASSERT_TRUE(writeFile(folder.file("b_day2/c_take.WAV"), shortTake(24)));
    Bytes cut = shortTake(24);
    cut.resize(cut.size() - 100);   // the data chunk still declares all 480 frames
    ASSERT_TRUE(writeFile(folder.file("b_day2/d_cut.wav"), cut));
    ASSERT_TRUE(writeFile(folder.file("c_notes.wav"), bytesOf("a text file, not a take")));
    ASSERT_TRUE(writeFile(folder.file("readme.txt"), bytesOf("not a .wav name: not listed")));
    ASSERT_TRUE(writeFile(folder.file(".a_hidden.wav"), shortTake(16)));
    const std::string missing = folder.file("e_missing.wav");
    const std::string csv = folder.file("report.csv");
    const std::string errors = folder.file("errors.txt");

    const std::string folderArgument = folder.path().string();
    const RunResult run = runTool("--report --output \"" + csv + "\" \"" + folderArgument + "\" \"" + missing + "\" 2>\"" + errors + "\"");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "");
    const std::string report = readText(csv);
    EXPECT_EQ(report.substr(0, report.find("\r\n")),
              "file,status,format,rate,bits,channels,frames,duration_s,tape,scene,take,note,start_timecode,"
              "timecode_rate,tracks,peak_dbfs,clipped,silent");
    const std::vector<std::string> expected = {
        folder.file("a_take.wav") + ",ok",
        folder.file("b_day2/c_take.WAV") + ",ok",
        folder.file("b_day2/d_cut.wav") + ",data shorter than declared",
        folder.file("c_notes.wav") + ",not a take",
        missing + ",cannot open: No such file or directory",
    };
    EXPECT_EQ(fileAndStatus(report), expected) << report;
    EXPECT_NE(readText(errors).find("e_missing.wav: cannot open: No such file or directory"), std::string::npos);

    // Only whole takes: exit 0, the report on standard output.
    const RunResult good = runTool("--report \"" + folder.file("a_take.wav") + "\"");
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(fileAndStatus(good.output), std::vector<std::string>{folder.file("a_take.wav") + ",ok"});
}

TEST(VantorInfo, HelpVersionAndWrongOptionsExitAsPeopleExpect) {
    TempFile errors("errors");
    const struct { const char* arguments; int status; const char* stdoutStart; const char* stderrStart; } rows[] = {
        {"--help", 0, "usage: vantorinfo", ""},
        {"--version", 0, "vantorinfo ", ""},
        {"--bogus x.wav", 2, "", "usage: vantorinfo"},
        {"--report", 2, "", "usage: vantorinfo"},                 // no file
        {"--output x.csv x.wav", 2, "", "usage: vantorinfo"},     // a CSV file only for a report
        {"--report --mix m.wav x.wav", 2, "", "usage: vantorinfo"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments);
        const RunResult run = runTool(std::string(row.arguments) + " 2>" + quoted(errors));
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.output.substr(0, std::strlen(row.stdoutStart)), row.stdoutStart);
        EXPECT_EQ(readText(errors.str()).substr(0, std::strlen(row.stderrStart)), row.stderrStart);
        if (row.status != 0) {
            EXPECT_EQ(run.output, "");
        }
    }
}
