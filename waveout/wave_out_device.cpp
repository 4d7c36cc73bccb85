#include "waveout/wave_out_device.h"
#include "waveout/wave_out_test_hooks.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

int failingHeaderAllocations = 0;   // UI thread only, like everything else here
int failingQueueGrowths = 0;

// Each queued buffer gets its own zero-filled header; null when memory is short.
WAVEHDR* newWaveHeader() {
    if (failingHeaderAllocations > 0) {
        --failingHeaderAllocations;
        return nullptr;
    }
    return new (std::nothrow) WAVEHDR{};
}

struct HeaderDeleter {
    void operator()(WAVEHDR* header) const noexcept { delete header; }
};
using HeaderOwner = std::unique_ptr<WAVEHDR, HeaderDeleter>;

bool isOpen(const WaveOutDevice& device) { return (device.flags & WODF_OPEN) != 0; }

// Room for one more queued header, made before the write: once the device holds a buffer
// its header must be on the list, or its return could never give the bytes back.
bool makeRoomForOneMore(WaveOutDevice& device) {
    try {
        if (failingQueueGrowths > 0) {
            --failingQueueGrowths;
            throw std::bad_alloc();
        }
        device.queuedHeaders.reserve(device.queuedHeaders.size() + 1);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// MMRESULT values are small unsigned numbers; the callers see them as int.
int resultOf(MMRESULT result) { return static_cast<int>(result); }

}  // namespace

WAVEFORMATEX WaveFormatFromCode(WaveFormatCode code) {
    const PcmFormat pcm = PcmFormatFromCode(code);
    WAVEFORMATEX format{};
    format.wFormatTag = static_cast<WORD>(pcm.formatTag);
    format.nChannels = static_cast<WORD>(pcm.channels);
    format.nSamplesPerSec = static_cast<DWORD>(pcm.samplesPerSec);
    format.nAvgBytesPerSec = static_cast<DWORD>(pcm.avgBytesPerSec);
    format.nBlockAlign = static_cast<WORD>(pcm.blockAlign);
    format.wBitsPerSample = static_cast<WORD>(pcm.bitsPerSample);
    format.cbSize = 0;
    return format;
}

int GetWaveOutDeviceName(UINT deviceNumber, char* text) {
    WAVEOUTCAPSA caps{};
    if (!text || waveOutGetDevCapsA(deviceNumber, &caps, sizeof caps) != MMSYSERR_NOERROR) return kWaveOutNameMissing;
    // szPname is 32 characters and not always terminated.
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(kWaveOutNameLength - 1) && caps.szPname[length] != '\0') ++length;
    std::memcpy(text, caps.szPname, length);
    text[length] = '\0';
    return kWaveOutNameFound;
}

int OpenWaveOut(WaveOutDevice* device, HWND notifyWindow, UINT deviceNumber, WaveFormatCode code) {
    if (!device) return kWaveOutNoRecord;
    if (isOpen(*device)) return kWaveOutBadState;
    if (deviceNumber >= waveOutGetNumDevs() && deviceNumber != WAVE_MAPPER) return kWaveOutBadDevice;

    device->deviceId = deviceNumber;
    device->flags = 0;
    // pendingCount is left alone: returns of an earlier opening may still be on their way.
    WAVEFORMATEX format = WaveFormatFromCode(code);
    HWAVEOUT handle = nullptr;
    const MMRESULT result =
        waveOutOpen(&handle, deviceNumber, &format, reinterpret_cast<DWORD_PTR>(notifyWindow),
                    reinterpret_cast<DWORD_PTR>(device), CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR) {
        device->handle = nullptr;
        return resultOf(result);
    }
    device->handle = handle;
    device->flags |= WODF_OPEN;
    return kWaveOutOk;
}

int CloseWaveOut(WaveOutDevice* device) {
    if (!device) return kWaveOutNoRecord;
    if (!isOpen(*device)) return kWaveOutBadState;
    const MMRESULT result = waveOutClose(device->handle);
    if (result != MMSYSERR_NOERROR) return resultOf(result);
    device->handle = nullptr;
    device->flags = 0;
    return kWaveOutOk;
}

int WriteWaveOut(WaveOutDevice* device, void* data, std::uint32_t length) {
    if (!device) return kWaveOutNoRecord;
    if (!data || length == 0) return kWaveOutNoData;
    if (!isOpen(*device) || (device->flags & WODF_BLOCKED) != 0) return kWaveOutBadState;

    HeaderOwner header(newWaveHeader());
    if (!header) {
        device->flags |= WODF_BLOCKED;
        return kWaveOutBadState;
    }
    if (!makeRoomForOneMore(*device)) return kWaveOutBadState;   // not written: the bytes stay the caller's
    header->lpData = static_cast<LPSTR>(data);
    header->dwBufferLength = static_cast<DWORD>(length);
    // The opening this buffer belongs to, in case the device is closed before it returns.
    header->dwUser = reinterpret_cast<DWORD_PTR>(device->handle);

    MMRESULT result = waveOutPrepareHeader(device->handle, header.get(), sizeof(WAVEHDR));
    if (result != MMSYSERR_NOERROR) return resultOf(result);
    result = waveOutWrite(device->handle, header.get(), sizeof(WAVEHDR));
    if (result != MMSYSERR_NOERROR) {
        waveOutUnprepareHeader(device->handle, header.get(), sizeof(WAVEHDR));
        return resultOf(result);
    }
    device->queuedHeaders.push_back(header.release());   // cannot throw: the room was made above
    device->pendingCount = static_cast<std::uint16_t>(device->pendingCount + 1);
    return kWaveOutOk;
}

int RestartWaveOut(WaveOutDevice* device) {
    if (!device) return kWaveOutNoRecord;
    if (!isOpen(*device)) return kWaveOutBadState;
    return resultOf(waveOutRestart(device->handle));
}

int ResetWaveOut(WaveOutDevice* device) {
    if (!device) return kWaveOutNoRecord;
    if (!isOpen(*device)) return kWaveOutBadState;
    return resultOf(waveOutReset(device->handle));
}

bool TakeQueuedHeader(WaveOutDevice* device, WAVEHDR* header) {
    if (!device || !header) return false;
    auto& queued = device->queuedHeaders;
    const auto found = std::find(queued.begin(), queued.end(), header);
    if (found == queued.end()) return false;
    queued.erase(found);
    return true;
}

void FreeReturnedWaveHeader(HWAVEOUT returnedBy, WAVEHDR* header) {
    if (!header) return;
    HeaderOwner owned(header);
    // The handle may be of a closed opening; the system then refuses, which is harmless.
    waveOutUnprepareHeader(returnedBy, header, sizeof(WAVEHDR));
    header->dwFlags = 0;
}

void FailWaveHeaderAllocationsForTest(int count) { failingHeaderAllocations = count; }

void FailWaveQueueGrowthForTest(int count) { failingQueueGrowths = count; }
