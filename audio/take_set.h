#pragma once
// Takes of several files, and stepping through a folder of takes.
//
// A recorder may write one take as a set of files, one mono or stereo file per track; each
// file's iXML names the set: FILE_SET with TOTAL_FILES, FAMILY_UID and FILE_SET_INDEX, and a
// TRACK_LIST whose tracks give their CHANNEL_INDEX (the place in the recorder's channel order)
// and INTERLEAVE_INDEX (the channel in this file). Here a file's take is found among the
// files of its folder, and the next and previous take of a folder in name order.
//
// Paths are narrow strings as the C library's fopen takes them (the player's code page on
// Windows); a path handed back is the folder part of the path given, as given, with a name
// from the folder. Nothing here throws.

#include "audio/playback.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct FileSetTrack {
    long channelIndex = 0;      // CHANNEL_INDEX; 0 when missing
    long interleaveIndex = 0;   // INTERLEAVE_INDEX; 0 when missing
};

// What a file's iXML says of the set of files it belongs to.
struct FileSetFacts {
    long totalFiles = 0;                 // FILE_SET/TOTAL_FILES; 0 when missing
    std::string familyUid;               // FILE_SET/FAMILY_UID, entities resolved
    std::string fileSetIndex;            // FILE_SET/FILE_SET_INDEX as written: a number or letters
    std::vector<FileSetTrack> tracks;    // TRACK_LIST/TRACK in the list's order

    // One of several files of a take.
    bool inSet() const { return totalFiles > 1 && !familyUid.empty(); }
};

FileSetFacts ReadFileSetFacts(std::string_view ixml);

// A file of the set that is not in the take, and why ("another sample rate").
struct LeftOutFile {
    std::string path;
    std::string reason;
};

struct TakeSet {
    // The take's files in channel order, each with the take channel of its first channel; the
    // file that was asked for is marked loaded. One source for a take of one file.
    std::vector<PlaybackSource> sources;
    int channels = 0;                    // of all sources; 0 when the file asked for is no take the player plays
    long totalFiles = 1;                 // TOTAL_FILES of the file asked for; 1 without a set
    std::vector<LeftOutFile> leftOut;    // files of the set found but left out
    long filesNotFound = 0;              // TOTAL_FILES less every file of the set found
};

// The take that path belongs to. A file with an iXML file set of TOTAL_FILES above 1 makes a
// take with the files of its folder that have the same extension, the same FAMILY_UID,
// TOTAL_FILES above 1, and the same sample rate, bit depth and length in frames; a file of the
// set that differs, or is no take the player can play, is left out and named. The files go in
// the order of their first channel's CHANNEL_INDEX; when a file has none or an index repeats,
// in FILE_SET_INDEX order; when that is missing or repeats too, in name order. Every other
// file, and one that cannot be read, is a take of one file. At most kMaxTakeChannels channels:
// a file past them is left out. The folder's names are listed once; its files are opened one
// at a time, each at most once, those whose names sort nearest the file's first, until
// TOTAL_FILES files of the set are found (all of them when fewer are there).
TakeSet FindTakeSet(const std::string& path);

struct FolderMemory;

// FindTakeSet for many files in turn, as a report of a card asks: the folder of the last
// question is listed once and each file's set facts are read once while the questions stay
// in that folder, so a folder of thousands of files costs each file one look, not one look
// for every set in it. A file changed meanwhile may be judged by what it held before.
class TakeSetFinder {
public:
    TakeSetFinder();
    ~TakeSetFinder();
    TakeSetFinder(const TakeSetFinder&) = delete;
    TakeSetFinder& operator=(const TakeSetFinder&) = delete;

    TakeSet find(const std::string& path);

private:
    std::unique_ptr<FolderMemory> memory_;
};

// Several files dropped at once: the take of the first. When they are files of one set, that
// is the set, so it plays whole; otherwise the others are not loaded.
TakeSet FindDroppedTake(const std::vector<std::string>& paths);

// A short plain text of what the take is made of, for the player's hint: "" for a take of one
// file, "9 files", or "7 of 9 files, left out: T4_3.WAV another sample rate, 1 not found".
std::string TakeSetNote(const TakeSet& set);

// The file to load for the next (direction > 0) or previous (direction < 0) take in the folder
// of currentPath, in byte order of the names; "" at the end that way. Files whose names end in
// .wav or .bwf (in any case) or in currentPath's extension are looked at, hidden ones (".name")
// are not; one that is no take the player plays is stepped over, and so is every file of the
// current file's set, so a set counts once. Only the names are listed; the files are opened
// one at a time from the current one until a take is found.
std::string NextTakeInFolder(const std::string& currentPath, int direction);
