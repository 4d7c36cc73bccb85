#include "report_html.h"

#include "audio/text_encoding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kSilentBelowDbfs = -60.0;   // as the CSV's "silent" column
constexpr double kBarFloorDbfs = -60.0;      // an empty bar; a full one is 0 dBFS

// The level bars: one upright bar a channel, 16 to a line, so 64 channels make four lines.
constexpr int kBarsPerLine = 16;
constexpr int kBarPitch = 11;      // px from one bar to the next
constexpr int kBarWidth = 8;
constexpr int kBarHeight = 30;
constexpr int kLinePitch = 40;     // the bar, the channel number under it, a gap
constexpr int kCapHeight = 3;      // the black top of a clipped channel's bar, seen in black and white too

constexpr int kColumnCount = 11;

const char* const kStyle = R"(
body { font-family: "DejaVu Sans", "Segoe UI", Arial, sans-serif; font-size: 12px; color: #000; background: #fff; margin: 16px; }
table.report { border-collapse: collapse; width: 100%; }
.report th, .report td { text-align: left; vertical-align: top; padding: 3px 5px; }
.report td { border-bottom: 1px solid #aaa; }
tr.heading th { font-weight: normal; padding: 0 0 6px 0; }
.title { font-size: 17px; font-weight: bold; margin-bottom: 3px; }
.facts span, .legend span.item { display: inline-block; margin-right: 1.8em; }
.facts b { margin-right: .4em; }
.legend { font-size: 10px; margin-top: 3px; }
tr.columns th { border-bottom: 2px solid #000; font-size: 11px; white-space: nowrap; }
tbody tr:nth-child(even) td { background: #f2f2f2; }
td.file div { white-space: nowrap; }
td.nowrap { white-space: nowrap; }
td.tracks { font-size: 10px; min-width: 13em; max-width: 20em; }
td.note { min-width: 9em; max-width: 18em; }
td.marks { min-width: 6.5em; }
.circle { display: inline-block; min-width: 1.2em; padding: 0 .3em; border: 1.5px solid #000; border-radius: 1em; text-align: center; font-weight: bold; }
.mark { display: block; white-space: nowrap; }
.status { display: block; font-weight: bold; }
.levelnote { font-size: 9px; }
svg.levels { display: block; }
svg .well { fill: #fff; stroke: #777; stroke-width: .6; }
svg .bar { fill: #2e6b4c; }
svg .clipped .bar { fill: #d40000; }
svg .cap { fill: #000; }
svg .silent .well { fill: #e2e2e2; }
svg .tick { stroke: #bbb; stroke-width: .5; }
svg text { font-size: 6.5px; fill: #333; text-anchor: middle; }
svg .silent text.word { fill: #666; }
.swatch { display: inline-block; width: 8px; height: 10px; border: .6px solid #777; vertical-align: -1px; margin-right: .3em; }
.swatch.level { background: #2e6b4c; }
.swatch.clipped { background: #d40000; border-top: 3px solid #000; height: 7px; }
.swatch.silent { background: #e2e2e2; }
thead { display: table-header-group; }
tr { break-inside: avoid; page-break-inside: avoid; }
@page { size: landscape; margin: 10mm; }
@media print {
  body { margin: 0; font-size: 8pt; }
  td.tracks { font-size: 7pt; }
  * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
}
)";

std::string text(std::string_view utf8) { return HtmlEscaped(utf8); }

// File names and the folder are the bytes the command line and the file system gave: a name
// in code page 1252 (no UTF-8) must not reach the page as it is.
std::string nameText(std::string_view name) { return HtmlEscaped(AsUtf8(name)); }

std::string fileName(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string oneDecimal(double value) {
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char number[32];
    std::snprintf(number, sizeof number, "%.1f", value);
    return std::strcmp(number, "-0.0") == 0 ? "0.0" : number;
}

// Milliseconds, rounded; -1 when the length is not known.
std::int64_t lengthMs(const TakeReport& take) {
    if (take.frames < 0 || take.sampleRate <= 0) return -1;
    return (take.frames * 1000 + take.sampleRate / 2) / take.sampleRate;
}

std::string hoursMinutesSeconds(std::int64_t seconds) {
    char out[48];
    std::snprintf(out, sizeof out, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return out;
}

// "2:05.3" under an hour, "1:02:05" from an hour on.
std::string lengthText(const TakeReport& take) {
    if (take.frames < 0 || take.sampleRate <= 0) return "";
    const std::int64_t tenths = (take.frames * 10 + take.sampleRate / 2) / take.sampleRate;
    if (tenths >= 36000) return hoursMinutesSeconds((tenths + 5) / 10);
    char out[48];
    std::snprintf(out, sizeof out, "%lld:%02lld.%lld", static_cast<long long>(tenths / 600),
                  static_cast<long long>(tenths / 10 % 60), static_cast<long long>(tenths % 10));
    return out;
}

// "48 kHz / 24 bit / 8 ch", "44.1 kHz / 32 bit float / 2 ch".
std::string formatText(const TakeReport& take) {
    if (!take.isTake || take.sampleRate <= 0) return "";
    std::string kHz = std::to_string(take.sampleRate / 1000);
    if (const int rest = take.sampleRate % 1000; rest != 0) {
        char decimals[8];
        std::snprintf(decimals, sizeof decimals, "%03d", rest);
        std::string fraction = decimals;
        fraction.erase(fraction.find_last_not_of('0') + 1);
        kHz += "." + fraction;
    }
    std::string out = kHz + " kHz / " + std::to_string(take.bits) + " bit";
    if (take.format == "float") out += " float";
    return out + " / " + std::to_string(take.channels) + " ch";
}

// The values that are not empty, each once, in the order first met.
std::vector<std::string> distinctValues(const std::vector<TakeReport>& takes, std::string TakeReport::*field) {
    std::vector<std::string> values;
    for (const TakeReport& take : takes) {
        const std::string& value = take.*field;
        if (!value.empty() && std::find(values.begin(), values.end(), value) == values.end()) values.push_back(value);
    }
    return values;
}

std::string joinedWithCommas(const std::vector<std::string>& values) {
    std::string out;
    for (const std::string& value : values) {
        if (!out.empty()) out += ", ";
        out += value;
    }
    return out;
}

// "2026-12-09", or "2026-12-08 – 2026-12-10" for takes of several days.
std::string dateRange(const std::vector<TakeReport>& takes) {
    std::vector<std::string> dates = distinctValues(takes, &TakeReport::date);
    if (dates.empty()) return "";
    std::sort(dates.begin(), dates.end());
    if (dates.size() == 1) return dates.front();
    return dates.front() + " \xE2\x80\x93 " + dates.back();
}

std::string fact(const char* label, const std::string& valueHtml) {
    return std::string("<span><b>") + label + "</b>" + (valueHtml.empty() ? "\xE2\x80\x93" : valueHtml) + "</span>";
}

std::string headingRow(const std::vector<TakeReport>& takes, const ReportHtmlHeading& heading) {
    const std::string projects = joinedWithCommas(distinctValues(takes, &TakeReport::project));
    std::int64_t totalMs = 0;
    std::size_t notOk = 0;
    for (const TakeReport& take : takes) {
        totalMs += std::max<std::int64_t>(lengthMs(take), 0);
        if (take.status != "ok") ++notOk;
    }
    std::string count = std::to_string(takes.size()) + (takes.size() == 1 ? " take, " : " takes, ") +
                        hoursMinutesSeconds((totalMs + 500) / 1000);
    if (notOk > 0) count += " (" + std::to_string(notOk) + " not ok)";

    std::string out = "<tr class=\"heading\"><th colspan=\"" + std::to_string(kColumnCount) + "\">\n";
    out += "<div class=\"title\">Sound report" + (projects.empty() ? std::string() : " \xE2\x80\x93 " + text(projects)) + "</div>\n";
    out += "<div class=\"facts\">";
    out += fact("Project", text(projects));
    out += fact("Tape", text(joinedWithCommas(distinctValues(takes, &TakeReport::tape))));
    out += fact("Folder", nameText(heading.folder));
    out += fact("Takes", text(count));
    out += fact("Recorded", text(dateRange(takes)));
    out += fact("Written", text(heading.writtenOn));
    out += "</div>\n";
    out += "<div class=\"legend\">"
           "<span class=\"item\"><span class=\"circle\">3</span> circled take</span>"
           "<span class=\"item\"><span class=\"swatch level\"></span>peak of each channel, \xE2\x88\x92" "60 to 0 dBFS</span>"
           "<span class=\"item\"><span class=\"swatch clipped\"></span>clipped</span>"
           "<span class=\"item\"><span class=\"swatch silent\"></span>silent, below \xE2\x88\x92" "60 dBFS</span>"
           "</div>\n";
    out += "</th></tr>\n";
    out += "<tr class=\"columns\"><th>File</th><th>Scene</th><th>Take</th><th>Timecode</th><th>Rate</th><th>Length</th>"
           "<th>Format</th><th>Tracks</th><th>Note</th><th>Marks</th><th>Levels</th></tr>\n";
    return out;
}

std::string number(double value) {
    char out[32];
    std::snprintf(out, sizeof out, "%.1f", value);
    return out;
}

// One bar a channel; a clipped channel red with a black top, a silent one grey and worded.
std::string levelBars(const TakeReport& take) {
    const int count = static_cast<int>(take.peaks.size());
    const int lines = (count + kBarsPerLine - 1) / kBarsPerLine;
    const int width = std::min(count, kBarsPerLine) * kBarPitch;
    const int height = (lines - 1) * kLinePitch + kBarHeight + 9;   // the last line's numbers
    std::string svg = "<svg class=\"levels\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
                      std::to_string(height) + "\">";
    std::vector<std::string> clippedChannels, silentChannels;
    for (int c = 0; c < count; ++c) {
        const ChannelPeak& peak = take.peaks[static_cast<std::size_t>(c)];
        const int x = c % kBarsPerLine * kBarPitch;
        const int y = c / kBarsPerLine * kLinePitch;
        const std::string channel = std::to_string(c + 1);
        const std::string& track = static_cast<std::size_t>(c) < take.trackNames.size() ? take.trackNames[static_cast<std::size_t>(c)] : std::string();
        const bool clipped = peak.clippedSamples > 0;
        const bool silent = !clipped && (std::isnan(peak.peakDbfs) || peak.peakDbfs < kSilentBelowDbfs);
        std::string title = "channel " + channel + (track.empty() ? "" : " " + track) + ": " + oneDecimal(peak.peakDbfs) + " dBFS";
        if (clipped) title += ", clipped, " + std::to_string(peak.clippedSamples) + " samples at full scale";
        if (silent) title += ", silent";
        if (clipped) clippedChannels.push_back(channel);
        if (silent) silentChannels.push_back(channel);

        svg += std::string("<g") + (clipped ? " class=\"clipped\"" : silent ? " class=\"silent\"" : "") + "><title>" + text(title) + "</title>";
        svg += "<rect class=\"well\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
               std::to_string(kBarWidth) + "\" height=\"" + std::to_string(kBarHeight) + "\"/>";
        if (silent) {
            const std::string cx = number(x + kBarWidth / 2.0 + 2.2), cy = number(y + kBarHeight / 2.0);
            svg += "<text class=\"word\" x=\"" + cx + "\" y=\"" + cy + "\" transform=\"rotate(-90 " + cx + " " + cy + ")\">silent</text>";
        } else {
            const double fraction = std::clamp((peak.peakDbfs - kBarFloorDbfs) / -kBarFloorDbfs, 0.0, 1.0);
            const double barHeight = fraction * kBarHeight;
            svg += "<rect class=\"bar\" x=\"" + std::to_string(x) + "\" y=\"" + number(y + kBarHeight - barHeight) +
                   "\" width=\"" + std::to_string(kBarWidth) + "\" height=\"" + number(barHeight) + "\"/>";
            if (clipped)
                svg += "<rect class=\"cap\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
                       std::to_string(kBarWidth) + "\" height=\"" + std::to_string(kCapHeight) + "\"/>";
        }
        svg += "<text x=\"" + number(x + kBarWidth / 2.0) + "\" y=\"" + std::to_string(y + kBarHeight + 7) + "\">" + channel + "</text></g>";
    }
    // Marks at -20 and -40 dBFS across each line of bars.
    for (int line = 0; line < lines; ++line) {
        const int barsOnLine = std::min(kBarsPerLine, count - line * kBarsPerLine);
        for (const int dbfs : {-20, -40}) {
            const std::string y = number(line * kLinePitch + kBarHeight * (dbfs / kBarFloorDbfs));
            svg += "<line class=\"tick\" x1=\"0\" x2=\"" + std::to_string(barsOnLine * kBarPitch - (kBarPitch - kBarWidth)) +
                   "\" y1=\"" + y + "\" y2=\"" + y + "\"/>";
        }
    }
    svg += "</svg>";
    // The same in words, for a page printed in black and white and for a search.
    std::string words;
    if (!clippedChannels.empty()) words += "clipped: ch " + joinedWithCommas(clippedChannels);
    if (!silentChannels.empty()) words += std::string(words.empty() ? "" : "; ") + "silent: ch " + joinedWithCommas(silentChannels);
    if (!words.empty()) svg += "<div class=\"levelnote\">" + words + "</div>";
    return svg;
}

std::string takeRow(const TakeReport& take) {
    std::string row = std::string("<tr class=\"take") + (take.circled ? " circled" : "") + (take.status != "ok" ? " problem" : "") + "\">";

    row += "<td class=\"file\">";
    if (take.files.empty()) row += "<div>" + nameText(fileName(take.file)) + "</div>";
    for (const std::string& name : take.files) row += "<div>" + nameText(name) + "</div>";
    row += "</td>";

    row += "<td>" + text(take.scene) + "</td>";
    row += "<td class=\"nowrap\">";
    if (take.circled) row += "<span class=\"circle\">" + (take.take.empty() ? std::string("\xE2\x80\x93") : text(take.take)) + "</span>";
    else row += text(take.take);
    row += "</td>";
    row += "<td class=\"nowrap\">" + text(take.startTimecode) + "</td>";
    row += "<td class=\"nowrap\">" + text(take.frameRate) + "</td>";
    row += "<td class=\"nowrap\">" + lengthText(take) + "</td>";
    row += "<td class=\"nowrap\">" + formatText(take) + "</td>";

    std::string tracks;
    for (const std::string& name : take.trackNames) {
        if (!tracks.empty()) tracks += ", ";
        tracks += name.empty() ? "\xE2\x80\x93" : name;
    }
    row += "<td class=\"tracks\">" + text(tracks) + "</td>";
    row += "<td class=\"note\">" + text(take.note) + "</td>";

    row += "<td class=\"marks\">";
    if (take.circled) row += "<span class=\"mark\">circled</span>";
    if (take.wildTrack) row += "<span class=\"mark\">wild track</span>";
    if (take.falseStart) row += "<span class=\"mark\">false start</span>";
    if (take.noGood) row += "<span class=\"mark\">no good</span>";
    if (take.status != "ok") row += "<span class=\"status\">" + text(take.status) + "</span>";
    if (take.timecodeWrapped) row += "<span class=\"status\">time reference past 24 hours, wrapped</span>";
    row += "</td>";

    row += "<td class=\"levels\">";
    if (!take.peaks.empty()) row += levelBars(take);
    row += "</td></tr>\n";
    return row;
}

}  // namespace

std::string HtmlEscaped(std::string_view plain) {
    std::string out;
    out.reserve(plain.size());
    for (const char c : plain) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string ReportHtmlPage(const std::vector<TakeReport>& takes, const ReportHtmlHeading& heading) {
    const std::string projects = joinedWithCommas(distinctValues(takes, &TakeReport::project));
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Sound report";
    if (!projects.empty()) page += " \xE2\x80\x93 " + text(projects);
    page += "</title>\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body>\n<table class=\"report\">\n<thead>\n";
    page += headingRow(takes, heading);
    page += "</thead>\n<tbody>\n";
    for (const TakeReport& take : takes) page += takeRow(take);
    page += "</tbody>\n</table>\n</body>\n</html>\n";
    return page;
}
