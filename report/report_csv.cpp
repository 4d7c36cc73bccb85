#include "report_csv.h"

#include "audio/text_encoding.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr double kSilentBelowDbfs = -60.0;

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0) out += '|';
        out += parts[k];
    }
    return out;
}

std::string oneDecimal(double value) {
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return std::strcmp(text, "-0.0") == 0 ? "0.0" : text;   // a hair under full scale reads 0.0
}

std::string yesOrEmpty(bool mark) { return mark ? "yes" : ""; }

}  // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string ReportCsvHeader() {
    return "file,status,format,rate,bits,channels,frames,duration_s,tape,scene,take,note,"
           "start_timecode,timecode_rate,tracks,peak_dbfs,clipped,silent,"
           "files,project,circled,wild_track,false_start,no_good,frame_rate\r\n";
}

std::string ReportCsvRow(const TakeReport& report) {
    std::string status = report.status;
    if (report.timecodeWrapped) status += " (time reference past 24 hours, wrapped)";
    const bool formatRead = report.isTake;   // rate, bits and channels even of a format the report cannot read
    std::string duration;
    if (report.frames >= 0 && report.sampleRate > 0) {
        // Milliseconds, rounded, in whole numbers: no binary fraction shows in the third decimal.
        const std::int64_t ms = (report.frames * 1000 + report.sampleRate / 2) / report.sampleRate;
        char text[32];
        std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000));
        duration = text;
    }
    std::vector<std::string> peaks, clipped, silent;
    for (const ChannelPeak& peak : report.peaks) {
        peaks.push_back(oneDecimal(peak.peakDbfs));
        clipped.push_back(std::to_string(peak.clippedSamples));
        silent.push_back(peak.peakDbfs < kSilentBelowDbfs ? "silent" : "");
    }
    // Names are the bytes the file system gave; a name in code page 1252 reads right in UTF-8.
    std::vector<std::string> names;
    for (const std::string& name : report.files) names.push_back(AsUtf8(name));
    const std::string fields[] = {
        AsUtf8(report.file), status, report.format,
        formatRead ? std::to_string(report.sampleRate) : "", formatRead ? std::to_string(report.bits) : "",
        formatRead ? std::to_string(report.channels) : "", report.frames >= 0 ? std::to_string(report.frames) : "",
        duration, report.tape, report.scene, report.take, report.note,
        report.startTimecode, report.timecodeRate, joined(report.trackNames),
        joined(peaks), joined(clipped), joined(silent),
        joined(names), report.project, yesOrEmpty(report.circled), yesOrEmpty(report.wildTrack),
        yesOrEmpty(report.falseStart), yesOrEmpty(report.noGood), report.frameRate};
    std::string row;
    for (const std::string& field : fields) {
        if (&field != fields) row += ',';
        row += CsvField(field);
    }
    return row + "\r\n";
}
