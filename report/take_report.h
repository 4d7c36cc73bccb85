#pragma once
// The sound report of a take: its format, production labels, start timecode, track names,
// and per channel the peak, the clipped samples and whether it stayed silent. One take is
// one CSV row (report_csv.h); a take of several files is one take.

#include "peak_scan.h"
#include "timecode.h"

#include "audio/take_set.h"

#include <cstdint>
#include <string>
#include <vector>

struct TakeReport {
    std::string file;                  // as given; the first file of a take of several
    std::vector<std::string> files;    // the names of the take's files, in channel order
    std::string status = "ok";         // "ok", or what is wrong
    bool isTake = false;               // a RIFF/RF64 wave with a format block and sample data
    bool intact = false;               // a take with a format the report reads and all its data
    std::string format;                // "pcm" or "float"
    std::int32_t sampleRate = 0;
    std::int32_t bits = 0;             // container bits per sample
    std::int32_t channels = 0;         // of all the take's files
    std::int64_t frames = -1;          // -1 until the data was found
    std::string tape, scene, take, note;
    std::string project;               // iXML PROJECT
    std::string date;                  // the bext origination date as written ("2026-12-09"); empty without one
    bool circled = false, wildTrack = false, falseStart = false, noGood = false;   // the iXML marks
    std::string frameRate;             // "29.97 DF"; empty without a timecode rate
    std::string startTimecode;
    std::string timecodeRate;          // "24000/1001"
    bool timecodeWrapped = false;
    std::vector<std::string> trackNames;   // empty without a track list
    std::vector<ChannelPeak> peaks;        // one per channel once the data was scanned
};

// Reads the file's chunks and scans its sample data once: the report of a take of one file.
TakeReport ReportTake(const std::string& path, const ReportProgress& progress = {});

// The report of a take as FindTakeSet found it: a take of one file as ReportTake reports it;
// a set's files each reported and joined in channel order, with the labels, timecode and
// length of the first. The status names what is wrong with a file of the set, and the files
// left out or not found.
TakeReport ReportTakeSet(const TakeSet& set, const ReportProgress& progress = {});
