// play_take: plays one take end to end the way the player does, for people who want to
// hear a take without the player window and for the end-to-end tests.
//
//   play_take TAKE [--channels LIST] [--start SECONDS] [--device N] [--trace]
//
// It owns a small (hidden) window, inspects and opens the take, starts the wave output
// with the take's format code (16-bit stereo at the take's own rate), primes four blocks
// and answers every WM_WAVEOUT_DONE with the next block read, mixed and queued, until
// the reader reports the end. The queued blocks then play out; the return that brings
// the device's pending count to 0 stops the output and closes the hidden window.
//
// LIST: channel numbers from 1 and ranges, "1,3,5-8", or "none"; default all channels.
// Exit status: 0 played; 1 bad arguments or a take that cannot be played; 2 no usable
// wave-output device; 3 the device refused the blocks; 4 a buffer was not released.

#include "audio/audio_buffer.h"
#include "audio/mixdown.h"
#include "audio/playback.h"
#include "waveout/wave_format.h"
#include "waveout/wave_out_window.h"

#include <windows.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kDriverClassName[] = "VantorPlayTakeDriver";
constexpr int kPrimingBlocks = 4;   // about 0.4 s queued, as in the player

enum ExitStatus { kPlayed = 0, kBadUse = 1, kNoDevice = 2, kRefused = 3, kLeaked = 4 };

struct Options {
    const char* take = nullptr;
    ChannelFlags enabled{};
    bool channelsGiven = false;
    double startSeconds = 0.0;
    UINT device = 0;
    bool trace = false;
};

// The player's module-wide state, here for one take.
struct Driver {
    PlaybackSession take;
    MixOutput mix;
    ChannelFlags enabled{};
    ChannelLevels levels{};
    HWND hidden = nullptr;
    bool playing = false;
    bool finishing = false;
    bool openFailed = false;
    long blocksQueued = 0;
    long blocksReturned = 0;
    bool trace = false;
    DWORD startTicks = 0;
};

Driver driver;

void usage() {
    std::fprintf(stderr,
                 "usage: play_take TAKE [--channels LIST] [--start SECONDS] [--device N] [--trace]\n"
                 "  LIST: channel numbers from 1 and ranges (1,3,5-8), or none; default all\n"
                 "  --trace: the time of every returned block on stderr\n");
}

bool parseChannels(const char* text, ChannelFlags& enabled) {
    enabled.fill(0);
    if (std::strcmp(text, "none") == 0) return true;
    const std::string list(text);
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t comma = list.find(',', at);
        const std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        int first = 0, last = 0;
        char extra = 0;
        if (std::sscanf(item.c_str(), "%d-%d%c", &first, &last, &extra) == 2) {
        } else if (std::sscanf(item.c_str(), "%d%c", &first, &extra) == 1) {
            last = first;
        } else {
            return false;
        }
        if (first < 1 || last > kMaxTakeChannels || first > last) return false;
        for (int c = first; c <= last; ++c) enabled[static_cast<std::size_t>(c - 1)] = 1;
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return true;
}

bool parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--channels") == 0 && hasValue) {
            if (!parseChannels(argv[++i], options.enabled)) return false;
            options.channelsGiven = true;
        } else if (std::strcmp(arg, "--start") == 0 && hasValue) {
            char* end = nullptr;
            errno = 0;
            options.startSeconds = std::strtod(argv[++i], &end);
            if (errno != 0 || *end != '\0' || !(options.startSeconds >= 0.0)) return false;
        } else if (std::strcmp(arg, "--device") == 0 && hasValue) {
            char* end = nullptr;
            const unsigned long device = std::strtoul(argv[++i], &end, 10);
            if (*end != '\0') return false;
            options.device = static_cast<UINT>(device);
        } else if (std::strcmp(arg, "--trace") == 0) {
            options.trace = true;
        } else if (arg[0] == '-' && arg[1] == '-') {
            return false;
        } else if (!options.take) {
            options.take = arg;
        } else {
            return false;
        }
    }
    return options.take != nullptr;
}

// Output ends: the hidden window resets and closes the device, and destroys itself once
// every queued buffer has come back; the loop runs until it is gone.
void finish() {
    driver.finishing = true;
    StopWaveOutput(driver.hidden);
    DestroyWaveOutWindow(driver.hidden);
}

std::uint16_t pendingCount() {
    const WaveOutDevice* device = WaveOutDeviceOf(driver.hidden);
    return device ? device->pendingCount : 0;
}

// ---- the driver window ----

// The clock of playback: every returned block brings one new one.
LRESULT onBlockDone(HWND from, LPARAM stillQueued) {
    if (driver.playing) {
        if (QueueNextBlock(driver.hidden, driver.take, driver.mix, driver.enabled, driver.levels)) {
            ++driver.blocksQueued;
        } else {
            driver.playing = false;   // end of the data: what is queued plays out
        }
    }
    if (from != nullptr && from == driver.hidden) {
        ++driver.blocksReturned;
        if (driver.trace)
            std::fprintf(stderr, "play_take: %lu ms: a block returned, %ld still queued\n",
                         static_cast<unsigned long>(GetTickCount() - driver.startTicks), static_cast<long>(stillQueued));
    }
    if (!driver.playing && !driver.finishing && pendingCount() == 0) finish();
    return 0;
}

LRESULT onOpenFailed() {
    driver.openFailed = true;
    return 0;
}

LRESULT CALLBACK DriverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_WAVEOUT_DONE:       return onBlockDone(reinterpret_cast<HWND>(wParam), lParam);
    case WM_WAVEOUT_OPENFAILED: return onOpenFailed();
    default:                    return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int runMessageLoop() {
    MSG msg;
    while (!(driver.finishing && !IsWindow(driver.hidden))) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

int openTake(const Options& options) {
    const int opened = driver.take.open(options.take);
    if (opened == kPlaybackNoSamples) {
        std::fprintf(stderr, "play_take: cannot read the sample data of %s\n", options.take);
        return kBadUse;
    }
    if (opened != kPlaybackOk) {
        std::fprintf(stderr, "play_take: %s is not a take the player can play\n", options.take);
        return kBadUse;
    }
    const WaveFileInfo& info = driver.take.description();
    driver.enabled.fill(0);
    for (int c = 0; c < info.channels && c < kMaxTakeChannels; ++c)
        driver.enabled[static_cast<std::size_t>(c)] = options.channelsGiven ? options.enabled[static_cast<std::size_t>(c)] : 1;
    driver.levels.fill(kLevelAbsent);

    driver.take.seekToFrame(static_cast<std::int64_t>(std::llround(options.startSeconds * info.sampleRate)));
    return kPlayed;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArguments(argc, argv, options)) {
        usage();
        return kBadUse;
    }
    const int startLive = AudioBuffer::liveCount();
    if (const int status = openTake(options); status != kPlayed) {
        driver.take.close();
        return status;
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DriverProc;
    wc.hInstance = instance;
    wc.lpszClassName = kDriverClassName;
    RegisterClassA(&wc);
    RegisterWaveOutClass(instance);
    // Never shown: the tests run without a window manager, and nothing here needs a look.
    HWND owner = CreateWindowExA(0, kDriverClassName, "play_take", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT, 200, 80,
                                 nullptr, nullptr, instance, nullptr);
    driver.hidden = owner ? CreateWaveOutWindow(owner) : nullptr;
    if (!driver.hidden) {
        std::fprintf(stderr, "play_take: cannot create windows (is DISPLAY set?)\n");
        driver.take.close();
        return kBadUse;
    }
    if (WaveOutDevice* device = WaveOutDeviceOf(driver.hidden)) device->deviceId = options.device;

    const WaveFormatCode code = FormatCodeForRate(driver.take.description().sampleRate);
    StartWaveOutput(driver.hidden, code);
    int status = kPlayed;
    if (driver.openFailed) {
        std::fprintf(stderr, "play_take: no usable wave-output device (device %u, %d Hz 16-bit stereo)\n",
                     options.device, driver.take.description().sampleRate);
        status = kNoDevice;
        finish();
    } else {
        char name[kWaveOutNameLength + 1] = {};
        GetWindowTextA(driver.hidden, name, sizeof name);
        std::printf("play_take: %s: %d channels, %d bits, %d Hz on \"%s\" (format code %lu)\n", options.take,
                    driver.take.description().channels, driver.take.description().bitsPerSample, driver.take.description().sampleRate, name,
                    static_cast<unsigned long>(code));
        driver.playing = true;
        driver.trace = options.trace;
        driver.startTicks = GetTickCount();
        for (int i = 0; i < kPrimingBlocks && !driver.finishing; ++i) SendMessageA(owner, WM_WAVEOUT_DONE, 0, 0);
        if (driver.playing && pendingCount() == 0) {
            std::fprintf(stderr, "play_take: the device did not take the blocks\n");
            status = kRefused;
            driver.playing = false;
            finish();
        }
    }
    runMessageLoop();

    DestroyWindow(owner);
    UnregisterWaveOutClass(instance);
    UnregisterClassA(kDriverClassName, instance);
    const std::int32_t blockFrames = driver.take.description().sampleRate / 10;
    driver.take.close();
    driver.mix.buffer.reset();

    if (status == kPlayed) {
        std::printf("play_take: played %ld blocks of %d frames, %ld returned\n", driver.blocksQueued,
                    blockFrames, driver.blocksReturned);
    }
    if (AudioBuffer::liveCount() != startLive) {
        std::fprintf(stderr, "play_take: %d buffers were not released\n", AudioBuffer::liveCount() - startLive);
        return kLeaked;
    }
    return status;
}
