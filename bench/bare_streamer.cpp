// bare_streamer: the least a Wine program does to stream a 16-bit stereo WAV through wave
// output, as the yardstick for the player's playback cost in scripts/bench. Four 0.1 s
// buffers stay queued; every MM_WOM_DONE (CALLBACK_WINDOW, as the player's hidden window
// gets them) refills the returned buffer from the file and queues it again.
//
//   bare_streamer MIX.wav      prints "playing" when the first buffers are queued and
//                              "done" when the last one is back; exit 0, 1 on any failure

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kBuffers = 4;

// The file's position at the first sample and the bytes of samples left; false unless it
// is 16-bit stereo PCM.
bool findSamples(std::FILE* file, WAVEFORMATEX& format, std::uint32_t& dataLeft) {
    char riff[12];
    if (std::fread(riff, 1, 12, file) != 12 || std::memcmp(riff, "RIFF", 4) || std::memcmp(riff + 8, "WAVE", 4)) return false;
    char id[4];
    std::uint32_t size = 0;
    bool haveFormat = false;
    while (std::fread(id, 1, 4, file) == 4 && std::fread(&size, 4, 1, file) == 1) {
        if (std::memcmp(id, "data", 4) == 0) {
            dataLeft = size;
            return haveFormat && format.wFormatTag == WAVE_FORMAT_PCM && format.nChannels == 2 && format.wBitsPerSample == 16;
        }
        if (std::memcmp(id, "fmt ", 4) == 0 && size >= 16) {
            haveFormat = std::fread(&format, 1, 16, file) == 16;
            size -= 16;
        }
        std::fseek(file, static_cast<long>(size + (size & 1)), SEEK_CUR);
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::FILE* file = argc == 2 ? std::fopen(argv[1], "rb") : nullptr;
    WAVEFORMATEX format{};
    std::uint32_t dataLeft = 0;
    if (!file || !findSamples(file, format, dataLeft)) return std::fprintf(stderr, "bare_streamer: need a 16-bit stereo WAV\n"), 1;
    format.cbSize = 0;

    // A message-only window receives the device's notices through the thread's queue.
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HWAVEOUT device = nullptr;
    if (!window || waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(window), 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR)
        return std::fprintf(stderr, "bare_streamer: no wave output\n"), 1;

    constexpr std::uint32_t kMaxBufferBytes = 192000 * 4 / 10;   // 0.1 s at up to 192 kHz
    static char storage[kBuffers][kMaxBufferBytes];
    const std::uint32_t bufferBytes = format.nAvgBytesPerSec / 10;
    if (bufferBytes == 0 || bufferBytes > kMaxBufferBytes) return std::fprintf(stderr, "bare_streamer: unusual rate\n"), 1;
    WAVEHDR headers[kBuffers]{};
    int queued = 0;
    auto refill = [&](WAVEHDR& header) {
        const std::uint32_t want = dataLeft < bufferBytes ? dataLeft : bufferBytes;
        header.dwBufferLength = static_cast<DWORD>(std::fread(header.lpData, 1, want, file));
        dataLeft -= want;
        if (header.dwBufferLength == 0) return;
        waveOutWrite(device, &header, sizeof header);
        ++queued;
    };
    for (int i = 0; i < kBuffers; ++i) {
        headers[i].lpData = storage[i];
        headers[i].dwBufferLength = bufferBytes;
        waveOutPrepareHeader(device, &headers[i], sizeof headers[i]);
        refill(headers[i]);
    }
    std::printf("playing\n");
    std::fflush(stdout);

    MSG message;
    while (queued > 0 && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == MM_WOM_DONE) {
            --queued;
            refill(*reinterpret_cast<WAVEHDR*>(message.lParam));
        }
        DispatchMessageA(&message);
    }
    std::printf("done\n");
    std::fflush(stdout);
    for (WAVEHDR& header : headers) waveOutUnprepareHeader(device, &header, sizeof header);
    waveOutClose(device);
    std::fclose(file);
    return 0;
}
