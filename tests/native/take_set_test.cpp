// Sets of files that make one take: which files of a folder belong to a file's take, in which
// channel order and what is left out, and stepping through a folder take by take.

#include "audio/take_set.h"
#include "tests/support/wave_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace wavetest;

namespace {

// One file of a test folder; a set's iXML is written when uid is given.
struct FileSpec {
    std::string name;
    int channels = 1;
    int rate = 48000;
    int bits = 24;
    int frames = 100;
    int totalFiles = 0;
    std::string uid;
    std::string setIndex;
    std::vector<int> channelIndexes;   // per channel of the file; 0 writes no CHANNEL_INDEX
};

std::string setIxml(const FileSpec& f) {
    std::string inner = "<FILE_SET><TOTAL_FILES>" + std::to_string(f.totalFiles) + "</TOTAL_FILES><FAMILY_UID>" + f.uid +
                        "</FAMILY_UID>";
    if (!f.setIndex.empty()) inner += "<FILE_SET_INDEX>" + f.setIndex + "</FILE_SET_INDEX>";
    inner += "</FILE_SET><TRACK_LIST><TRACK_COUNT>" + std::to_string(f.channels) + "</TRACK_COUNT>";
    for (int c = 0; c < f.channels; ++c) {
        inner += "<TRACK>";
        const int index = c < static_cast<int>(f.channelIndexes.size()) ? f.channelIndexes[static_cast<std::size_t>(c)] : 0;
        if (index > 0) inner += "<CHANNEL_INDEX>" + std::to_string(index) + "</CHANNEL_INDEX>";
        inner += "<INTERLEAVE_INDEX>" + std::to_string(c + 1) + "</INTERLEAVE_INDEX><NAME>T" + std::to_string(c) + "</NAME></TRACK>";
    }
    return ixmlDocument(inner + "</TRACK_LIST><TAPE>DAY1</TAPE>");
}

Bytes fileBytes(const FileSpec& f) {
    WaveWriter w;
    w.riff();
    w.fmtPcm(f.channels, static_cast<std::uint32_t>(f.rate), f.bits);
    w.data(distinctPcm(f.channels, f.bits == 12 ? 16 : f.bits, static_cast<std::size_t>(f.frames)));
    if (!f.uid.empty()) w.ixml(setIxml(f));   // after the data, as many recorders write it
    return w.bytes();
}

void writeFolder(const TempFolder& folder, const std::vector<FileSpec>& files) {
    for (const FileSpec& f : files) ASSERT_TRUE(writeFile(folder.file(f.name), fileBytes(f)));
}

FileSpec member(const std::string& name, int total, const std::string& uid, std::vector<int> channelIndexes,
                const std::string& setIndex = "") {
    FileSpec f;
    f.name = name;
    f.channels = static_cast<int>(channelIndexes.size());
    f.totalFiles = total;
    f.uid = uid;
    f.setIndex = setIndex;
    f.channelIndexes = std::move(channelIndexes);
    return f;
}

FileSpec with(FileSpec f, int rate, int bits, int frames) {
    f.rate = rate;
    f.bits = bits;
    f.frames = frames;
    return f;
}

FileSpec plain(const std::string& name, int channels = 2) {
    FileSpec f;
    f.name = name;
    f.channels = channels;
    return f;
}

// "NAME@first" for every source, the loaded one starred.
std::string sourcesOf(const TakeSet& set) {
    std::string text;
    for (const PlaybackSource& source : set.sources) {
        if (!text.empty()) text += ' ';
        text += source.path.substr(source.path.find_last_of("/\\") + 1);
        text += '@';
        text += std::to_string(source.firstChannel);
        if (source.loaded) text += '*';
    }
    return text;
}

}  // namespace

TEST(TakeSet, FilesOfAFolderThatMakeTheTake) {
    std::vector<FileSpec> tenTracks = {member("T03_MIX.WAV", 9, "U10", {1, 2})};
    for (int k = 1; k <= 8; ++k) tenTracks.push_back(member("T03_" + std::to_string(k) + ".WAV", 9, "U10", {k + 2}));
    tenTracks.push_back(member("T04_1.WAV", 9, "U11", {3}));   // another take of the same recorder
    tenTracks.push_back(plain("T05.WAV"));
    const std::vector<FileSpec> split = {member("P.WAV", 1, "UP", {1, 2}), member("P_1.WAV", 2, "UP", {1}),
                                         member("P_2.WAV", 2, "UP", {2})};
    struct Row {
        const char* name;
        std::vector<FileSpec> files;
        const char* loaded;
        const char* sources;
        int channels;
        const char* note;
    };
    const Row rows[] = {
        {"ten tracks in nine files: the stereo mix carries CHANNEL_INDEX 1 and 2", tenTracks, "T03_4.WAV",
         "T03_MIX.WAV@0 T03_1.WAV@2 T03_2.WAV@3 T03_3.WAV@4 T03_4.WAV@5* T03_5.WAV@6 T03_6.WAV@7 T03_7.WAV@8 T03_8.WAV@9", 10,
         "9 files"},
        {"a file without a set plays alone", tenTracks, "T05.WAV", "T05.WAV@0*", 2, ""},
        {"a split poly take: the two mono files", split, "P_2.WAV", "P_1.WAV@0 P_2.WAV@1*", 2, "2 files"},
        {"the poly file itself says TOTAL_FILES 1", split, "P.WAV", "P.WAV@0*", 2, ""},
        {"a file missing", {member("M_1.WAV", 3, "UM", {1}), member("M_2.WAV", 3, "UM", {2})}, "M_1.WAV",
         "M_1.WAV@0* M_2.WAV@1", 2, "2 of 3 files, 1 not found"},
        {"files of another rate, length or depth are left out",
         {member("S_1.WAV", 5, "US", {1}), member("S_2.WAV", 5, "US", {2}), with(member("S_3.WAV", 5, "US", {3}), 44100, 24, 100),
          with(member("S_4.WAV", 5, "US", {4}), 48000, 24, 101), with(member("S_5.WAV", 5, "US", {5}), 48000, 32, 100)},
         "S_2.WAV", "S_1.WAV@0 S_2.WAV@1*", 2,
         "2 of 5 files, left out: S_3.WAV another sample rate, S_4.WAV another length, S_5.WAV another bit depth"},
        {"a file of the set the player cannot read", {member("R_1.WAV", 2, "UR", {1}), with(member("R_2.WAV", 2, "UR", {2}), 48000, 12, 200)},
         "R_1.WAV", "R_1.WAV@0*", 1, "1 of 2 files, left out: R_2.WAV not a take the player can play"},
        {"CHANNEL_INDEX repeats: FILE_SET_INDEX decides, letters as letters",
         {member("X_1.WAV", 3, "UX", {1}, "C"), member("X_2.WAV", 3, "UX", {1}, "a"), member("X_3.WAV", 3, "UX", {2, 3}, "B")},
         "X_1.WAV", "X_2.WAV@0 X_3.WAV@1 X_1.WAV@3*", 4, "3 files"},
        {"CHANNEL_INDEX missing: FILE_SET_INDEX decides, numbers as numbers",
         {member("Y_a.WAV", 3, "UY", {2}, "10"), member("Y_b.WAV", 3, "UY", {0}, "9"), member("Y_c.WAV", 3, "UY", {1}, "02")},
         "Y_a.WAV", "Y_c.WAV@0 Y_b.WAV@1 Y_a.WAV@2*", 3, "3 files"},
        {"both missing or repeated: the names decide",
         {member("Z_2.WAV", 3, "UZ", {0}), member("Z_3.WAV", 3, "UZ", {5}, "A"), member("Z_1.WAV", 3, "UZ", {5}, "A")},
         "Z_3.WAV", "Z_1.WAV@0 Z_2.WAV@1 Z_3.WAV@2*", 3, "3 files"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        writeFolder(folder, row.files);
        const TakeSet set = FindTakeSet(folder.file(row.loaded));
        EXPECT_EQ(sourcesOf(set), row.sources);
        EXPECT_EQ(set.channels, row.channels);
        EXPECT_EQ(TakeSetNote(set), row.note);
    }
}

TEST(TakeSet, SeveralDroppedFiles) {
    TempFolder folder;
    writeFolder(folder, {member("D_1.WAV", 2, "UD", {1}), member("D_2.WAV", 2, "UD", {2}), plain("E.WAV")});
    const struct { std::vector<std::string> dropped; const char* sources; } rows[] = {
        {{"D_2.WAV", "D_1.WAV"}, "D_1.WAV@0 D_2.WAV@1*"},   // one set: it plays, from the first dropped
        {{"E.WAV", "D_1.WAV"}, "E.WAV@0*"},                  // no set: the first file
        {{}, ""},
    };
    for (const auto& row : rows) {
        std::vector<std::string> paths;
        for (const std::string& name : row.dropped) paths.push_back(folder.file(name));
        EXPECT_EQ(sourcesOf(FindDroppedTake(paths)), row.sources);
    }
}

TEST(TakeSet, NextAndPreviousTakeInAFolder) {
    TempFolder folder;
    FileSpec twelve = plain("E.WAV", 12);
    writeFolder(folder, {plain("A.WAV"), member("B.WAV", 1, "UB", {1, 2}), member("B_1.WAV", 3, "UB", {1}),
                         member("B_2.WAV", 3, "UB", {2}), member("B_3.WAV", 3, "UB", {3}), twelve, plain("._F.WAV"), plain("F.wav")});
    ASSERT_TRUE(writeFile(folder.file("C.TXT"), fileBytes(plain("C.TXT"))));   // a take, by a name that is not looked at
    ASSERT_TRUE(writeFile(folder.file("D.WAV"), bytesOf("no take in here")));
    // A name in the player's code page (0xE4 is an a umlaut in 1252), as fopen takes it.
    const std::string inFolder = folder.path().string() + "/";
    ASSERT_TRUE(writeFile(inFolder + "G\xE4.WAV", fileBytes(plain("G.WAV"))));
    const struct { const char* from; int direction; const char* to; } rows[] = {
        {"A.WAV", 1, "B.WAV"},
        {"B.WAV", 1, "B_1.WAV"},     // the poly file of the set's family is a take of its own
        {"B_1.WAV", 1, "E.WAV"},     // the rest of the set, the text file and the non-take stepped over
        {"B_2.WAV", -1, "B.WAV"},
        {"E.WAV", -1, "B_3.WAV"},    // a set is reached at any of its files
        {"E.WAV", 1, "F.wav"},
        {"F.wav", 1, "G\xE4.WAV"},
        {"G\xE4.WAV", 1, ""},
        {"A.WAV", -1, ""},           // the hidden file sorts first and is no take to step to
        {"C_gone.WAV", 1, "E.WAV"},  // a file gone meanwhile stands where its name sorts
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.from) + (row.direction > 0 ? " down" : " up"));
        const std::string to = NextTakeInFolder(inFolder + row.from, row.direction);
        EXPECT_EQ(to, *row.to ? inFolder + row.to : std::string());
    }
}
