// vantorinfo: the player's information text for many takes at once, the player's stereo
// mix and level values of one take, and the sound report of a day's takes (CSV rows, and
// with --html a page to print), for people who check takes in bulk and for tests.
//
//   vantorinfo [--utf8|--cp1252] FILE...
//   vantorinfo --mix OUT.wav [--levels] FILE
//   vantorinfo --levels FILE
//   vantorinfo --report [--per-file] [--output FILE.csv] [--html FILE.html] FILE_OR_FOLDER...

#include "vantor_version.h"

#include "audio/info_text.h"
#include "audio/text_encoding.h"
#include "audio/mixdown.h"
#include "audio/playback.h"
#include "audio/take_set.h"
#include "report/card_files.h"
#include "report/report_csv.h"
#include "report/report_html.h"
#include "report/take_report.h"
#include "audio/wave_file_info.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <clocale>
#include <langinfo.h>
#include <unistd.h>
#endif


namespace {

constexpr int kExitAllKnown = 0;
constexpr int kExitSomeUnknown = 1;
constexpr int kExitUsage = 2;

struct Options {
    std::vector<const char*> files;
    const char* mixPath = nullptr;
    const char* outputPath = nullptr;   // the report's CSV file; standard output without it
    const char* htmlPath = nullptr;     // the report's page; then the CSV only to outputPath
    bool levels = false;
    bool report = false;
    bool perFile = false;               // a report row per file, not per take of several files
    int utf8 = -1;   // -1: as the terminal wants, 0: raw code page 1252, 1: UTF-8
};

enum class Request { Run, Help, Version, Usage };

void printUsage(std::FILE* to) {
    std::fputs("usage: vantorinfo [--utf8|--cp1252] FILE...\n"
               "       vantorinfo [--mix OUT.wav] [--levels] FILE\n"
               "       vantorinfo --report [--per-file] [--output FILE.csv] [--html FILE.html]\n"
               "                  FILE_OR_FOLDER...\n"
               "       vantorinfo --help | --version\n"
               "Prints each take's information as the player shows it, or writes the take's\n"
               "stereo mix (all channels on) and prints its level values per block: eight,\n"
               "or one a channel for a take of more than eight channels.\n"
               "--report writes one CSV row per take (folders are read recursively, in name\n"
               "order): format, labels, start timecode, track names, and per channel the peak\n"
               "in dBFS, the clipped samples and whether it stayed silent. The files of an\n"
               "iXML file set are one take, as the player plays them; --per-file gives every\n"
               "file a row of its own. --html also writes the report as one page to read in a\n"
               "browser and print (heading on every page, a level bar per channel); the CSV\n"
               "then goes only to the --output file, if one is named.\n"
               "Exit status: 0 every file is a take (in a report: and intact), 1 one is not,\n"
               "2 usage.\n",
               to);
}

Request parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return Request::Help;
        else if (std::strcmp(arg, "--version") == 0) return Request::Version;
        else if (std::strcmp(arg, "--mix") == 0 && i + 1 < argc) options.mixPath = argv[++i];
        else if (std::strcmp(arg, "--output") == 0 && i + 1 < argc) options.outputPath = argv[++i];
        else if (std::strcmp(arg, "--html") == 0 && i + 1 < argc) options.htmlPath = argv[++i];
        else if (std::strcmp(arg, "--report") == 0) options.report = true;
        else if (std::strcmp(arg, "--per-file") == 0) options.perFile = true;
        else if (std::strcmp(arg, "--levels") == 0) options.levels = true;
        else if (std::strcmp(arg, "--utf8") == 0) options.utf8 = 1;
        else if (std::strcmp(arg, "--cp1252") == 0) options.utf8 = 0;
        else if (std::strcmp(arg, "--") == 0) { while (++i < argc) options.files.push_back(argv[i]); }
        else if (arg[0] == '-' && arg[1] != '\0') return Request::Usage;
        else options.files.push_back(arg);
    }
    if (options.files.empty()) return Request::Usage;
    // A report is a mode of its own, and the only one that writes a CSV file or a page.
    if (options.report) return options.mixPath || options.levels || options.utf8 != -1 ? Request::Usage : Request::Run;
    if (options.outputPath || options.perFile || options.htmlPath) return Request::Usage;
    // A mix or level listing is of one take.
    return (options.mixPath == nullptr && !options.levels) || options.files.size() == 1 ? Request::Run : Request::Usage;
}

// Why fopen refuses the path, as the C library words it ("No such file or directory").
std::string whyCannotOpen(const char* path) {
    errno = 0;
    if (std::FILE* file = std::fopen(path, "rb")) {
        std::fclose(file);
        return "not readable";
    }
    return std::strerror(errno);
}

// The info text is code page 1252; a UTF-8 terminal gets it transcoded so the ä shows.
bool terminalWantsUtf8() {
#ifdef _WIN32
    return false;
#else
    if (!isatty(STDOUT_FILENO)) return false;
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    return codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
#endif
}

int printInfo(const Options& options) {
    const bool utf8 = options.utf8 == -1 ? terminalWantsUtf8() : options.utf8 == 1;
    int status = kExitAllKnown;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        WaveFileInfo info;
        const int result = InspectWaveFile(&info, options.files[i]);
        const bool known = result == kInspectOk;
        if (!known) status = kExitSomeUnknown;
        if (result == kInspectCannotOpen)
            std::fprintf(stderr, "vantorinfo: %s: cannot open: %s\n", options.files[i], whyCannotOpen(options.files[i]).c_str());
        std::string text = std::string(i > 0 ? "\r\n" : "") + options.files[i] + "\r\n" +
                           (known ? FormatWaveInfo(info) : std::string(kUnknownFormatText)) + "\r\n";
        if (utf8) text = Cp1252ToUtf8(text);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return status;
}

void putLe16(std::vector<unsigned char>& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value & 0xFF));
    out.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}
void putLe32(std::vector<unsigned char>& out, std::uint32_t value) {
    putLe16(out, value & 0xFFFF);
    putLe16(out, value >> 16);
}

// A 44-byte header of a 16-bit stereo PCM file; sizes past 4 GB are capped.
std::vector<unsigned char> stereoWaveHeader(std::int32_t sampleRate, std::uint64_t dataBytes) {
    const std::uint32_t dataSize = dataBytes > 0xFFFFFFFFu - 36 ? 0xFFFFFFFFu - 36 : static_cast<std::uint32_t>(dataBytes);
    std::vector<unsigned char> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    putLe32(header, 36 + dataSize);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    putLe32(header, 16);
    putLe16(header, 1);                                       // PCM
    putLe16(header, 2);                                       // channels
    putLe32(header, static_cast<std::uint32_t>(sampleRate));
    putLe32(header, static_cast<std::uint32_t>(sampleRate) * 4);   // bytes per second
    putLe16(header, 4);                                       // block alignment
    putLe16(header, 16);                                      // bits per sample
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    putLe32(header, dataSize);
    return header;
}

// Plays the take through the engine exactly as the player feeds the device, block by
// block with every channel on, into a file and/or a level listing.
int mixTake(const Options& options) {
    const char* path = options.files[0];
    PlaybackSession take;
    const int opened = take.open(path);
    if (opened == kPlaybackNoSamples) {
        std::fprintf(stderr, "vantorinfo: %s: cannot read the sample data\n", path);
        return kExitSomeUnknown;
    }
    if (opened != kPlaybackOk) {
        if (opened == kPlaybackCannotOpen)
            std::fprintf(stderr, "vantorinfo: %s: cannot open: %s\n", path, whyCannotOpen(path).c_str());
        std::fprintf(stderr, "vantorinfo: %s:%s\n", path, kUnknownFormatText);
        return kExitSomeUnknown;
    }
    const WaveFileInfo& info = take.description();

    std::FILE* mixFile = nullptr;
    if (options.mixPath) {
        mixFile = std::fopen(options.mixPath, "wb");
        if (!mixFile) {
            std::fprintf(stderr, "vantorinfo: cannot write %s\n", options.mixPath);
            return kExitUsage;
        }
        const auto placeholder = stereoWaveHeader(info.sampleRate, 0);
        std::fwrite(placeholder.data(), 1, placeholder.size(), mixFile);
    }

    ChannelFlags channelEnabled{};
    ChannelLevels channelLevel{};
    for (int c = 0; c < info.channels; ++c) channelEnabled[c] = 1;
    // Eight values, as the player's eight meters show, for every take of up to eight
    // channels (the absent ones read -48); one a channel for a larger take.
    const int levelCount = std::max(info.channels, kMaxChannels);
    std::uint64_t mixedBytes = 0;
    bool writeFailed = false;
    MixOutput output;
    while (take.mixNextBlock(output, channelEnabled, channelLevel)) {
        if (mixFile && !output.buffer.empty()) {
            writeFailed |= std::fwrite(output.buffer.data(), 1, output.buffer.size(), mixFile) != output.buffer.size();
            mixedBytes += output.buffer.size();
        }
        if (options.levels) {
            std::string line;
            for (int c = 0; c < levelCount; ++c) {
                if (c > 0) line += ' ';
                line += std::to_string(channelLevel[c]);
            }
            std::puts(line.c_str());
        }
        output.buffer.reset();
    }

    if (mixFile) {
        const auto header = stereoWaveHeader(info.sampleRate, mixedBytes);
        writeFailed |= std::fseek(mixFile, 0, SEEK_SET) != 0;
        writeFailed |= std::fwrite(header.data(), 1, header.size(), mixFile) != header.size();
        writeFailed |= std::fclose(mixFile) != 0;
        if (writeFailed) {
            std::fprintf(stderr, "vantorinfo: writing %s failed\n", options.mixPath);
            return kExitUsage;
        }
    }
    return kExitAllKnown;
}

// ---- the sound report ----

namespace fs = std::filesystem;

// "12/40 files, 3.2 GB, 1450 MB/s" on one line of standard error, rewritten in place,
// once the run has taken a second; a few times a second at most.
class ProgressLine {
public:
    explicit ProgressLine(std::size_t fileCount) : fileCount_(fileCount) {}
    ~ProgressLine() {
        if (shown_) std::fputc('\n', stderr);
    }

    void bytesRead(std::uint64_t bytes) {
        bytes_ += bytes;
        show(false);
    }
    void fileDone() {
        ++filesDone_;
        show(filesDone_ == fileCount_);
    }

private:
    void show(bool last) {
        const auto now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        if (elapsed < 1.0 || (!last && now - lastShown_ < std::chrono::milliseconds(250))) return;
        lastShown_ = now;
        shown_ = true;
        std::fprintf(stderr, "\rvantorinfo: %zu/%zu files, %.1f GB read, %.0f MB/s ", filesDone_, fileCount_,
                     static_cast<double>(bytes_) / 1e9, static_cast<double>(bytes_) / 1e6 / elapsed);
        std::fflush(stderr);
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_{};
    std::size_t fileCount_;
    std::size_t filesDone_ = 0;
    std::uint64_t bytes_ = 0;
    bool shown_ = false;
};

// "2026-12-10 14:02", the local time now.
std::string localDateAndTime() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    char text[32] = {};
    if (local) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    return text;
}

// The page goes to PATH.tmp and takes the place of PATH only once it is whole, so a run
// stopped halfway leaves no half page. False, said on standard error, when it failed.
bool writeHtmlPage(const char* path, const std::vector<TakeReport>& takes, const std::vector<const char*>& reported) {
    ReportHtmlHeading heading;
    for (const char* argument : reported) {
        if (!heading.folder.empty()) heading.folder += ", ";
        heading.folder += argument;
    }
    heading.writtenOn = localDateAndTime();
    const std::string page = ReportHtmlPage(takes, heading);
    const std::string temporary = std::string(path) + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "vantorinfo: cannot write %s: %s\n", temporary.c_str(), std::strerror(errno));
        return false;
    }
    bool failed = std::fwrite(page.data(), 1, page.size(), file) != page.size();
    failed |= std::fclose(file) != 0;
    std::string why = "cannot write " + temporary;
    if (!failed) {
        // A path the file system cannot take throws while it is converted.
        try {
            std::error_code error;
            fs::rename(fs::path(temporary), fs::path(path), error);
            failed = static_cast<bool>(error);
            if (error) why = "cannot rename " + temporary + ": " + error.message();
        } catch (const std::exception& error) {
            failed = true;
            why = std::string("cannot rename ") + temporary + ": " + error.what();
        }
    }
    if (failed) {
        std::fprintf(stderr, "vantorinfo: writing %s failed: %s\n", path, why.c_str());
        std::remove(temporary.c_str());
    }
    return !failed;
}

// The report of one file of the card, or of the take it belongs to; the files it covers go
// into reported. Whatever happens on the way, the file gets a row that says so.
TakeReport reportOne(const CardFile& entry, bool perFile, TakeSetFinder& finder, const ReportProgress& bytesRead,
                     std::set<std::string>& reported) {
    TakeReport report;
    try {
        reported.insert(entry.path);
        if (!entry.problem.empty()) {
            report.file = entry.path;
            report.files.push_back(fs::path(entry.path).filename().string());
            report.status = entry.problem;
        } else if (perFile) {
            report = ReportTake(entry.path, bytesRead);
        } else {
            const TakeSet take = finder.find(entry.path);
            report = ReportTakeSet(take, bytesRead);
            for (const PlaybackSource& source : take.sources) reported.insert(source.path);
        }
    } catch (const std::exception& failure) {
        report = TakeReport{};
        report.file = entry.path;
        report.status = std::string("cannot be reported: ") + failure.what();
    }
    return report;
}

// Every file gets its row, the files of a set one row together (in the row of the first of
// them the walk meets), written as soon as it is known, whatever the others hold. With a
// page, the rows go only to an --output file, and the page is written at the end.
int writeReport(const Options& options) {
    std::FILE* out = options.htmlPath ? nullptr : stdout;
    if (options.outputPath && !(out = std::fopen(options.outputPath, "wb"))) {
        std::fprintf(stderr, "vantorinfo: cannot write %s: %s\n", options.outputPath, std::strerror(errno));
        return kExitUsage;
    }
    const std::vector<CardFile> files = ListCardFiles(std::vector<std::string>(options.files.begin(), options.files.end()));
    bool writeFailed = out && std::fputs(ReportCsvHeader().c_str(), out) < 0;
    std::vector<TakeReport> pageTakes;
    int status = kExitAllKnown;
    ProgressLine progress(files.size());
    const ReportProgress bytesRead = [&progress](std::uint64_t bytes) { progress.bytesRead(bytes); };
    std::set<std::string> reported;   // the files in a row already
    TakeSetFinder finder;
    for (const CardFile& entry : files) {
        const std::string& file = entry.path;
        if (reported.count(file) > 0) {
            progress.fileDone();
            continue;
        }
        TakeReport report = reportOne(entry, options.perFile, finder, bytesRead, reported);
        if (!report.intact) status = kExitSomeUnknown;
        if (report.status.rfind("cannot open", 0) == 0) std::fprintf(stderr, "vantorinfo: %s: %s\n", file.c_str(), report.status.c_str());
        if (out) {
            const std::string row = ReportCsvRow(report);
            writeFailed |= std::fwrite(row.data(), 1, row.size(), out) != row.size();
            writeFailed |= std::fflush(out) != 0;
        }
        if (options.htmlPath) pageTakes.push_back(std::move(report));
        progress.fileDone();
    }
    if (out && out != stdout) writeFailed |= std::fclose(out) != 0;
    if (writeFailed) {
        std::fprintf(stderr, "vantorinfo: writing the report failed\n");
        return kExitUsage;
    }
    if (options.htmlPath && !writeHtmlPage(options.htmlPath, pageTakes, options.files)) return kExitUsage;
    return status;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // CR LF lines are already in the text; text mode would double the CR.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    Options options;
    switch (parseOptions(argc, argv, options)) {
    case Request::Help: printUsage(stdout); return kExitAllKnown;
    case Request::Version: std::puts("vantorinfo " VP_VERSION_TEXT); return kExitAllKnown;
    case Request::Usage: printUsage(stderr); return kExitUsage;
    case Request::Run: break;
    }
    if (options.report) return writeReport(options);
    if (options.mixPath || options.levels) return mixTake(options);
    return printInfo(options);
}
