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
#include <sys/stat.h>
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
              "timecode_rate,tracks,peak_dbfs,clipped,silent,files,project,circled,wild_track,false_start,no_good,frame_rate");
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

namespace {

// A file of an iXML file set: mono 16-bit, 100 frames at a constant sample value.
Bytes setMember(const std::string& uid, int totalFiles, int channelIndex, const std::string& track, std::int32_t sample,
                std::uint32_t rate = 48000) {
    WaveWriter w;
    w.riff();
    w.fmtPcm(1, rate, 16);
    w.data(makePcm(1, 16, 100, [sample](std::size_t, int) { return sample; }));
    w.ixml(ixmlDocument("<FILE_SET><TOTAL_FILES>" + std::to_string(totalFiles) + "</TOTAL_FILES><FAMILY_UID>" + uid +
                        "</FAMILY_UID></FILE_SET><TRACK_LIST><TRACK><CHANNEL_INDEX>" + std::to_string(channelIndex) +
                        "</CHANNEL_INDEX><INTERLEAVE_INDEX>1</INTERLEAVE_INDEX><NAME>" + track +
                        "</NAME></TRACK></TRACK_LIST>"));
    return w.bytes();
}

// Each row's file, status, channels, tracks, peak_dbfs, clipped, silent and files as written,
// the file without its folder; no field of these rows holds a line break.
std::vector<std::string> takeColumns(const std::string& csv, const std::string& folder) {
    std::vector<std::string> rows;
    for (std::size_t at = csv.find("\r\n") + 2; at < csv.size(); at = csv.find("\r\n", at) + 2) {
        std::vector<std::string> fields;
        const std::string line = csv.substr(at, csv.find("\r\n", at) - at);
        fields.emplace_back();
        bool inQuotes = false;
        for (const char c : line) {
            if (c == '"') inQuotes = !inQuotes;
            if (c == ',' && !inQuotes) fields.emplace_back();
            else fields.back() += c;
        }
        if (fields.size() < 19) {
            rows.push_back("short row: " + line);
            continue;
        }
        std::string file = fields[0].rfind(folder, 0) == 0 ? fields[0].substr(folder.size() + 1) : fields[0];
        rows.push_back(file + "," + fields[1] + "," + fields[5] + "," + fields[14] + "," + fields[15] + "," + fields[16] +
                       "," + fields[17] + "," + fields[18]);
    }
    return rows;
}

}  // namespace

TEST(VantorInfo, ReportGivesATakeOfSeveralFilesOneRowAndPerFileOneRowEach) {
    // Levels: 16384 is -6.0 dBFS, 8192 is -12.0, 0 is silence.
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("A_1.WAV"), setMember("A", 3, 2, "LAV1", 16384)));
    ASSERT_TRUE(writeFile(folder.file("A_2.WAV"), setMember("A", 3, 1, "BOOM", 8192)));
    ASSERT_TRUE(writeFile(folder.file("A_3.WAV"), setMember("A", 3, 3, "LAV2", 0)));
    ASSERT_TRUE(writeFile(folder.file("B_1.WAV"), setMember("B", 3, 1, "X", 16384)));   // B_3.WAV is missing
    ASSERT_TRUE(writeFile(folder.file("B_2.WAV"), setMember("B", 3, 2, "Y", 8192)));
    ASSERT_TRUE(writeFile(folder.file("C_1.WAV"), setMember("C", 2, 1, "P", 8192)));
    ASSERT_TRUE(writeFile(folder.file("C_2.WAV"), setMember("C", 2, 2, "Q", 8192, 44100)));   // disagrees
    {
        WaveWriter w;
        w.riff();
        w.fmtPcm(2, 48000, 16);
        w.data(makePcm(2, 16, 100, [](std::size_t, int c) { return c == 0 ? 8192 : 16384; }));
        ASSERT_TRUE(writeFile(folder.file("D.WAV"), w.bytes()));
    }
    const std::string folderText = std::filesystem::path(folder.path()).make_preferred().string();

    // A take's row stands where the walk meets its first file; each file is in one row only.
    const RunResult takes = runTool("--report \"" + folderText + "\"");
    EXPECT_EQ(takes.status, 1);   // B and C are not whole
    const std::vector<std::string> expectedTakes = {
        "A_2.WAV,ok,3,BOOM|LAV1|LAV2,-12.0|-6.0|-inf,0|0|0,||silent,A_2.WAV|A_1.WAV|A_3.WAV",
        "B_1.WAV,\"2 of 3 files, 1 not found\",2,X|Y,-6.0|-12.0,0|0,|,B_1.WAV|B_2.WAV",
        "C_1.WAV,\"1 of 2 files, left out: C_2.WAV another sample rate\",1,P,-12.0,0,,C_1.WAV",
        "C_2.WAV,\"1 of 2 files, left out: C_1.WAV another sample rate\",1,Q,-12.0,0,,C_2.WAV",
        "D.WAV,ok,2,,-12.0|-6.0,0|0,|,D.WAV",
    };
    EXPECT_EQ(takeColumns(takes.output, folderText), expectedTakes) << takes.output;

    const RunResult files = runTool("--report --per-file \"" + folderText + "\"");
    EXPECT_EQ(files.status, 0);
    const std::vector<std::string> expectedFiles = {
        "A_1.WAV,ok,1,LAV1,-6.0,0,,A_1.WAV",    "A_2.WAV,ok,1,BOOM,-12.0,0,,A_2.WAV",
        "A_3.WAV,ok,1,LAV2,-inf,0,silent,A_3.WAV", "B_1.WAV,ok,1,X,-6.0,0,,B_1.WAV",
        "B_2.WAV,ok,1,Y,-12.0,0,,B_2.WAV",      "C_1.WAV,ok,1,P,-12.0,0,,C_1.WAV",
        "C_2.WAV,ok,1,Q,-12.0,0,,C_2.WAV",      "D.WAV,ok,2,,-12.0|-6.0,0|0,|,D.WAV",
    };
    EXPECT_EQ(takeColumns(files.output, folderText), expectedFiles) << files.output;
}

TEST(VantorInfo, ReportGoesToTheEndOfACardWhateverItHolds) {
    // 10,000 files: 2,000 plain takes and 2,000 sets of four mono files, every fifth set without
    // its fourth file. Each set is one row, so the report has 4,000 rows, each whole.
    TempFolder folder;
    for (int k = 0; k < 2000; ++k) {
        char name[32], uid[16];
        std::snprintf(name, sizeof name, "P%04d.WAV", k);
        ASSERT_TRUE(writeFile(folder.file(name), shortTake(16)));
        for (int member = 1; member <= 4; ++member) {
            if (member == 4 && k % 5 == 0) continue;
            std::snprintf(name, sizeof name, "S%04d_%d.WAV", k, member);
            std::snprintf(uid, sizeof uid, "U%04d", k);   // not "U" + to_string: GCC 12 warns falsely (-Wrestrict)
            ASSERT_TRUE(writeFile(folder.file(name), setMember(uid, 4, member, "T", 8192)));
        }
    }
    std::vector<std::string> expectedOdd;
#ifndef _WIN32
    // What a card should not hold (only a POSIX file system makes these): a pipe, a link that
    // leads nowhere, a folder that links back to the card, and a name in code page 1252 (its
    // row names it in UTF-8); and a name in UTF-8 with a letter outside code page 1252.
    const std::filesystem::path odd = folder.path() / "Z_odd";
    std::filesystem::create_directories(odd);
    ASSERT_EQ(mkfifo((odd / "a_pipe.wav").c_str(), 0600), 0);
    std::filesystem::create_symlink("nowhere.wav", odd / "b_link.wav");
    std::filesystem::create_directory_symlink("..", odd / "c_back");
    ASSERT_TRUE(writeFile((odd / "d_J\xE4ger.wav").string(), shortTake(24)));
    ASSERT_TRUE(writeFile((odd / "e_\xCE\xA9.wav").string(), shortTake(8)));
    expectedOdd = {
        "Z_odd/a_pipe.wav,not a plain file",
        "Z_odd/b_link.wav,cannot open: No such file or directory",
        "Z_odd/c_back,links back to " + folder.path().string(),
        "Z_odd/d_J\xC3\xA4ger.wav,ok",
        "Z_odd/e_\xCE\xA9.wav,ok",
    };
#endif
    const std::string csv = folder.file("report.csv");
    const RunResult run = runTool("--report --output \"" + csv + "\" \"" + folder.path().string() + "\" 2>\"" + folder.file("errors.txt") + "\"");
    EXPECT_EQ(run.status, 1);
    int whole = 0, plainOk = 0, setsOk = 0, setsShort = 0;
    std::vector<std::string> oddRows;
    for (const std::string& row : takeColumns(readText(csv), folder.path().string())) {
        whole += row.rfind("short row", 0) != 0;
        const std::string fileAndStatus = row.substr(0, row.find(',', row.find(',') + 1));
        if (row.rfind("P", 0) == 0) plainOk += fileAndStatus.ends_with(",ok");
        else if (row.rfind("S", 0) == 0 && fileAndStatus.ends_with(",ok")) ++setsOk;
        else if (row.rfind("S", 0) == 0 && row.find(",\"3 of 4 files, 1 not found\",") != std::string::npos) ++setsShort;
        else oddRows.push_back(fileAndStatus);
    }
    EXPECT_EQ(whole, 4000 + static_cast<int>(expectedOdd.size()));
    EXPECT_EQ(plainOk, 2000);
    EXPECT_EQ(setsOk, 1600);
    EXPECT_EQ(setsShort, 400);
    EXPECT_EQ(oddRows, expectedOdd);
}

TEST(VantorInfo, ReportPageTakesItsPlaceOnlyWhenWhole) {
    TempFolder folder;
    ASSERT_TRUE(writeFile(folder.file("a_take.wav"), shortTake(16)));
    std::filesystem::create_directories(folder.path() / "taken.html");   // no file can replace a folder
    const std::string take = "\"" + folder.file("a_take.wav") + "\"";
    const struct { const char* name; std::string arguments; int status; bool pageWritten, csvWritten; } rows[] = {
        {"page alone", "--report --html \"" + folder.file("day.html") + "\" " + take, 0, true, false},
        {"page and CSV file", "--report --output \"" + folder.file("day.csv") + "\" --html \"" + folder.file("day.html") + "\" " + take,
         0, true, true},
        {"page cannot take its place", "--report --html \"" + folder.file("taken.html") + "\" " + take, 2, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(writeFile(folder.file("day.html"), bytesOf("an older page")));   // replaced, not kept
        std::error_code error;
        std::filesystem::remove(folder.file("day.csv"), error);
        const std::string errors = folder.file("errors.txt");
        const RunResult run = runTool(row.arguments + " 2>\"" + errors + "\"");
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.output, "");   // with --html the rows go only to --output
        EXPECT_EQ(readText(folder.file("day.html")).rfind("<!DOCTYPE html>", 0) == 0, row.pageWritten);
        EXPECT_EQ(readText(folder.file("day.csv")).rfind("file,status,", 0) == 0, row.csvWritten);
        EXPECT_FALSE(std::filesystem::exists(folder.file("day.html.tmp")));
        EXPECT_FALSE(std::filesystem::exists(folder.file("taken.html.tmp")));
        EXPECT_EQ(readText(errors).rfind("vantorinfo: writing", 0) == 0, row.status == 2) << readText(errors);
    }
}

TEST(VantorInfo, HelpVersionAndWrongOptionsExitAsPeopleExpect) {
    TempFile errors("errors");
    const struct { const char* arguments; int status; const char* stdoutStart; const char* stderrStart; } rows[] = {
        {"--help", 0, "usage: vantorinfo", ""},
        {"--version", 0, "vantorinfo ", ""},
        {"--bogus x.wav", 2, "", "usage: vantorinfo"},
        {"--report", 2, "", "usage: vantorinfo"},                 // no file
        {"--output x.csv x.wav", 2, "", "usage: vantorinfo"},     // a CSV file only for a report
        {"--per-file x.wav", 2, "", "usage: vantorinfo"},         // rows only in a report
        {"--html x.html x.wav", 2, "", "usage: vantorinfo"},      // a page only of a report
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
