#pragma once
// The sound report of a take: its format, production labels, start timecode, track names,
// and per channel the peak, the clipped samples and whether it stayed silent. One take is
// one CSV row (RFC 4180, UTF-8).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A timecode rate as the iXML block writes it: 24000/1001, 25/1, 30000/1001 with drop-frame.
struct TimecodeRate {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;
    bool dropFrame = false;   // honoured only at 30000/1001 and 60000/1001, the rates that drop frame numbers

    bool known() const { return numerator > 0 && denominator > 0; }
};

// "24000/1001" or "25" (numbers only); an unknown rate when the text is neither.
TimecodeRate ParseTimecodeRate(std::string_view text, bool dropFrame);

struct StartTimecode {
    std::string text;        // HH:MM:SS:FF, or HH:MM:SS;FF when drop-frame; empty without a rate
    bool wrapped = false;    // the time reference lay 24 hours or more past midnight
};

// The label of the frame that holds sample timeReference (samples since midnight at
// sampleRate), counted at the given timecode rate.
StartTimecode FormatStartTimecode(std::uint64_t timeReference, std::int32_t sampleRate, const TimecodeRate& rate);

struct ChannelPeak {
    double peakDbfs = 0;              // -infinity for digital silence
    std::uint64_t clippedSamples = 0; // samples at full scale (|x| >= 1 for float)
};

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

// Called after every read of sample data with the bytes it brought.
using ReportProgress = std::function<void(std::uint64_t bytesRead)>;

// Reads the take's chunks and scans its sample data once.
TakeReport ReportTake(const std::string& path, const ReportProgress& progress = {});

// The header row and a take's row, each ending in CR LF.
std::string ReportCsvHeader();
std::string ReportCsvRow(const TakeReport& report);

// One CSV field: quoted when it holds a comma, a quote, CR or LF, with quotes doubled.
std::string CsvField(std::string_view text);
