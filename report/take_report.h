#pragma once
// The sound report of a take: its format, production labels, start timecode, track names,
// and per channel the peak, the clipped samples and whether it stayed silent. One take is
// one CSV row (report_csv.h).

#include "peak_scan.h"
#include "timecode.h"

#include <cstdint>
#include <string>
#include <vector>

struct TakeReport {
    std::string file;                  // as given
    std::string status = "ok";         // "ok", or what is wrong
    bool isTake = false;               // a RIFF/RF64 wave with a format block and sample data
    bool intact = false;               // a take with a format the report reads and all its data
    std::string format;                // "pcm" or "float"
    std::int32_t sampleRate = 0;
    std::int32_t bits = 0;             // container bits per sample
    std::int32_t channels = 0;
    std::int64_t frames = -1;          // -1 until the data was found
    std::string tape, scene, take, note;
    std::string startTimecode;
    std::string timecodeRate;          // "24000/1001"
    bool timecodeWrapped = false;
    std::vector<std::string> trackNames;   // empty without a track list
    std::vector<ChannelPeak> peaks;        // one per channel once the data was scanned
};

// Reads the take's chunks and scans its sample data once.
TakeReport ReportTake(const std::string& path, const ReportProgress& progress = {});
