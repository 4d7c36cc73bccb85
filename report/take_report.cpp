#include "take_report.h"

#include "take_labels.h"

#include "audio/byte_view.h"
#include "audio/text_encoding.h"
#include "audio/wave_chunks.h"
#include "audio/wave_file_info.h"
#include "audio/wave_layout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

using namespace wave_layout;

void readLabels(TakeReport& report, const std::string& path) {
    // The player's own label rules: iXML TAPE, SCENE, TAKE, with the description's lines winning.
    WaveFileInfo info;
    InspectWaveFile(&info, path.c_str());
    report.tape = AsUtf8(info.tape);
    report.scene = AsUtf8(info.scene);
    report.take = AsUtf8(info.take);
}

void readMetadata(TakeReport& report, std::FILE* file, const WaveChunks& chunks) {
    IxmlFacts ixml;
    if (chunks.ixmlOffset >= 0) {
        std::string xml(static_cast<std::size_t>(std::min(chunks.ixmlSize, kMaxIxmlRead)), '\0');
        xml.resize(ReadAt(file, chunks.ixmlOffset, xml.data(), xml.size()));
        ixml = ReadIxmlFacts(AsUtf8(xml));
    }
    std::string description;
    bool haveTimeReference = false;
    std::uint64_t timeReference = 0;
    if (chunks.bextOffset >= 0) {
        unsigned char bext[kTimeReferenceAt + 8] = {};
        const std::size_t got = ReadAt(file, chunks.bextOffset, bext, static_cast<std::size_t>(std::min<std::int64_t>(chunks.bextSize, sizeof bext)));
        const ByteView view{bext, got};
        description.assign(reinterpret_cast<const char*>(bext), static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(got), kDescriptionSize)));
        description.resize(std::strlen(description.c_str()));
        haveTimeReference = got >= sizeof bext;
        timeReference = view.le64(kTimeReferenceAt);
        if (got >= static_cast<std::size_t>(kOriginationDateAt + kOriginationDateSize)) {
            const std::string date(reinterpret_cast<const char*>(bext) + kOriginationDateAt, static_cast<std::size_t>(kOriginationDateSize));
            // A date field of zeros, blanks or stray bytes is no date.
            const bool printable = std::all_of(date.begin(), date.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
            if (printable && date.find_first_not_of(' ') != std::string::npos) report.date = date;
        }
    }

    report.note = !ixml.note.empty() ? ixml.note : AsUtf8(DescriptionValue(description, "sNOTE="));
    report.trackNames = ixml.trackNames;
    report.project = ixml.project;
    report.circled = ixml.circled;
    report.wildTrack = ixml.wildTrack;
    report.falseStart = ixml.falseStart;
    report.noGood = ixml.noGood;

    TimecodeRate rate = ParseTimecodeRate(ixml.timecodeRate, ixml.timecodeFlag == "DF");
    if (!rate.known()) rate = RateFromSpeedLine(DescriptionValue(description, "sSPEED="));
    report.frameRate = FrameRateText(rate);
    if (haveTimeReference && rate.known() && report.sampleRate > 0) {
        const StartTimecode start = FormatStartTimecode(timeReference, report.sampleRate, rate);
        report.startTimecode = start.text;
        report.timecodeWrapped = start.wrapped;
        report.timecodeRate = std::to_string(rate.numerator) + "/" + std::to_string(rate.denominator);
    }
}

std::size_t nameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

}  // namespace

TakeReport ReportTake(const std::string& path, const ReportProgress& progress) {
    TakeReport report;
    report.file = path;
    report.files.push_back(path.substr(nameStart(path)));
    errno = 0;
#ifdef _WIN32
    // "S": the system reads ahead for a front-to-back scan (a sequential-scan open).
    FileHandle file(std::fopen(path.c_str(), "rbS"));
#else
    FileHandle file(std::fopen(path.c_str(), "rb"));   // the scan asks for its read-ahead itself
#endif
    if (!file) {
        report.status = std::string("cannot open: ") + std::strerror(errno);
        return report;
    }
    // The scan's reads are large; the stream's own buffer would only add a copy.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);

    const WaveChunks chunks = WalkWaveChunks(file.get(), FileSize64(file.get()));
    if (!chunks.hasFormatAndData()) {
        report.status = "not a take";
        return report;
    }
    report.isTake = true;

    unsigned char formatBytes[40] = {};
    const std::size_t formatGot = ReadAt(file.get(), chunks.formatOffset, formatBytes,
                                         static_cast<std::size_t>(std::min<std::int64_t>(chunks.formatSize, sizeof formatBytes)));
    SampleLayout layout;
    const FormatVerdict check = ReadSampleLayout(formatBytes, formatGot, layout);
    report.format = layout.isFloat ? "float" : "pcm";
    report.sampleRate = layout.rate;
    report.bits = layout.bits;
    report.channels = layout.channels;
    readLabels(report, path);
    readMetadata(report, file.get(), chunks);
    if (check == FormatVerdict::UnknownSampleFormat) {
        report.format.clear();
        report.status = "unknown sample format";
        return report;
    }
    // The report reads every take the player plays, up to kMaxTakeChannels channels.
    if (check == FormatVerdict::TooManyChannels) {
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "text" + std::string.
        report.status = "more than ";
        report.status += std::to_string(kMaxTakeChannels);
        report.status += " channels";
        return report;
    }

    report.frames = chunks.dataSize / (layout.channels * layout.bytesPerSample);
    report.intact = chunks.dataDeclaredSize <= chunks.dataSize;
    if (!report.intact) report.status = "data shorter than declared";
    if (!ScanPeaks(file.get(), chunks.dataOffset, report.frames, layout, progress, report.peaks)) {
        report.intact = false;
        report.status = "read error";
    }
    return report;
}

TakeReport ReportTakeSet(const TakeSet& set, const ReportProgress& progress) {
    if (set.sources.empty()) return {};
    if (set.sources.size() == 1 && set.leftOut.empty() && set.filesNotFound == 0) return ReportTake(set.sources[0].path, progress);

    TakeReport take;
    std::vector<std::string> problems;
    bool everyFileScanned = true;
    for (std::size_t k = 0; k < set.sources.size(); ++k) {
        TakeReport member = ReportTake(set.sources[k].path, progress);
        if (member.status != "ok") problems.push_back(member.files.front() + ": " + member.status);
        if (k == 0) {
            take = member;
            take.files.clear();
            take.trackNames.clear();
            take.peaks.clear();
            take.channels = 0;
        }
        take.intact = take.intact && member.intact;
        take.files.push_back(member.files.front());
        // Each file's tracks and levels at the file's own channels, so the take's stay in channel order.
        member.trackNames.resize(static_cast<std::size_t>(std::max(member.channels, 0)));
        take.trackNames.insert(take.trackNames.end(), member.trackNames.begin(), member.trackNames.end());
        everyFileScanned = everyFileScanned && member.peaks.size() == static_cast<std::size_t>(member.channels);
        take.peaks.insert(take.peaks.end(), member.peaks.begin(), member.peaks.end());
        take.channels += member.channels;
    }
    // Levels with a file's channels missing would stand at other channels' places.
    if (!everyFileScanned) take.peaks.clear();
    // Tracks without a name read as empty fields; a take without any names has no track list.
    if (std::all_of(take.trackNames.begin(), take.trackNames.end(), [](const std::string& name) { return name.empty(); }))
        take.trackNames.clear();
    if (!set.leftOut.empty() || set.filesNotFound > 0) {
        take.intact = false;
        problems.push_back(TakeSetNote(set));
    }
    if (!problems.empty()) {
        take.status.clear();
        for (const std::string& problem : problems) {
            if (!take.status.empty()) take.status += "; ";
            take.status += problem;
        }
    }
    return take;
}
