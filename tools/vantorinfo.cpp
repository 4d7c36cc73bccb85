// vantorinfo: the player's information text for many takes at once, and the player's
// stereo mix and level values of one take, for people who check takes in bulk and for tests.
//
//   vantorinfo [--utf8|--cp1252] FILE...
//   vantorinfo --mix OUT.wav [--levels] FILE
//   vantorinfo --levels FILE

#include "audio/info_text.h"
#include "audio/mixdown.h"
#include "audio/sample_reader.h"
#include "audio/wave_file_info.h"

#include <cstdio>
#include <cstring>
#include <string>
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
    bool levels = false;
    int utf8 = -1;   // -1: as the terminal wants, 0: raw code page 1252, 1: UTF-8
};

void printUsage() {
    std::fputs("usage: vantorinfo [--utf8|--cp1252] FILE...\n"
               "       vantorinfo [--mix OUT.wav] [--levels] FILE\n"
               "Prints each take's information as the player shows it, or writes the take's\n"
               "stereo mix (all channels on) and prints its eight level values per block.\n",
               stderr);
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--mix") == 0 && i + 1 < argc) options.mixPath = argv[++i];
        else if (std::strcmp(arg, "--levels") == 0) options.levels = true;
        else if (std::strcmp(arg, "--utf8") == 0) options.utf8 = 1;
        else if (std::strcmp(arg, "--cp1252") == 0) options.utf8 = 0;
        else if (std::strcmp(arg, "--") == 0) { while (++i < argc) options.files.push_back(argv[i]); }
        else if (arg[0] == '-' && arg[1] != '\0') return false;
        else options.files.push_back(arg);
    }
    if (options.files.empty()) return false;
    // A mix or level listing is of one take.
    return (options.mixPath == nullptr && !options.levels) || options.files.size() == 1;
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
        const bool known = InspectWaveFile(&info, options.files[i]) == kInspectOk;
        if (!known) status = kExitSomeUnknown;
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
    WaveFileInfo info;
    if (InspectWaveFile(&info, path) != kInspectOk) {
        std::fprintf(stderr, "vantorinfo: %s:%s\n", path, kUnknownFormatText);
        return kExitSomeUnknown;
    }
    SampleReader reader;
    if (OpenSampleReader(&reader, path) != kReaderOk) {
        std::fprintf(stderr, "vantorinfo: %s: cannot read the sample data\n", path);
        return kExitSomeUnknown;
    }

    std::FILE* mixFile = nullptr;
    if (options.mixPath) {
        mixFile = std::fopen(options.mixPath, "wb");
        if (!mixFile) {
            std::fprintf(stderr, "vantorinfo: cannot write %s\n", options.mixPath);
            CloseSampleReader(&reader);
            return kExitUsage;
        }
        const auto placeholder = stereoWaveHeader(info.sampleRate, 0);
        std::fwrite(placeholder.data(), 1, placeholder.size(), mixFile);
    }

    ChannelFlags channelEnabled{};
    ChannelLevels channelLevel{};
    for (int c = 0; c < info.channels; ++c) channelEnabled[c] = 1;
    const std::uint32_t blockSize = BlockSizeFor(info);
    std::uint64_t mixedBytes = 0;
    bool writeFailed = false;
    MixOutput output;
    while (ReadSampleBlock(&reader, blockSize) == kReaderOk) {
        reader.blockLength = 0;
        MixDownBlock(output, std::move(reader.block), info, channelEnabled, channelLevel);
        if (mixFile && !output.buffer.empty()) {
            writeFailed |= std::fwrite(output.buffer.data(), 1, output.length, mixFile) != output.length;
            mixedBytes += output.length;
        }
        if (options.levels) {
            std::printf("%d %d %d %d %d %d %d %d\n", channelLevel[0], channelLevel[1], channelLevel[2],
                        channelLevel[3], channelLevel[4], channelLevel[5], channelLevel[6], channelLevel[7]);
        }
        output.buffer.reset();
    }
    CloseSampleReader(&reader);

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

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // CR LF lines are already in the text; text mode would double the CR.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    Options options;
    if (!parseOptions(argc, argv, options)) {
        printUsage();
        return kExitUsage;
    }
    if (options.mixPath || options.levels) return mixTake(options);
    return printInfo(options);
}
