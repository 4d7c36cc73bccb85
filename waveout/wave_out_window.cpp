#include "waveout/wave_out_window.h"

#include "audio/audio_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int kTitleLength = 256;
// While closing, the window looks every 10 ms whether the last buffer is back: a timer,
// which the message loop hands out only when nothing else waits, so the program's quit
// message still gets through and no core spins.
constexpr UINT_PTR kCloseCheckTimer = 1;
constexpr UINT kCloseCheckMs = 10;

LONG_PTR slot(HWND hwnd, int index) { return GetWindowLongPtrA(hwnd, index); }
void setSlot(HWND hwnd, int index, LONG_PTR value) { SetWindowLongPtrA(hwnd, index, value); }

void setState(HWND hwnd, LONG_PTR state) { setSlot(hwnd, waveout_slots::state, state); }

void tellOpenFailed(HWND hwnd) {
    if (HWND owner = WaveOutOwnerOf(hwnd)) SendMessageA(owner, WM_WAVEOUT_OPENFAILED, reinterpret_cast<WPARAM>(hwnd), 0);
}

// ---- message handlers ----

LRESULT onCreate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    setSlot(hwnd, waveout_slots::reserved0, 0);
    setSlot(hwnd, waveout_slots::device, 0);
    setSlot(hwnd, waveout_slots::reserved2, 0);
    setState(hwnd, WOS_IDLE);
    auto* device = new (std::nothrow) WaveOutDevice{};
    // Without a record the window still exists; start reports it as a failed open.
    if (!device) return 0;
    setSlot(hwnd, waveout_slots::device, reinterpret_cast<LONG_PTR>(device));
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool buffersOut(HWND hwnd) {
    const WaveOutDevice* device = WaveOutDeviceOf(hwnd);
    return device != nullptr && device->pendingCount != 0;
}

// Only the owner closes the window, and it forgets itself first (DestroyWaveOutWindow): a
// top-level window can be sent WM_CLOSE by any process, and one the owner did not ask for
// would leave it holding a dead handle. The first round (wParam 0) resets the device so
// everything queued comes back; the window then waits for the last return on a timer.
LRESULT onClose(HWND hwnd, bool firstRound) {
    if (WaveOutOwnerOf(hwnd) != nullptr) return 0;
    if (firstRound) ResetWaveOut(WaveOutDeviceOf(hwnd));
    if (buffersOut(hwnd)) {
        SetTimer(hwnd, kCloseCheckTimer, kCloseCheckMs, nullptr);
        return 0;
    }
    DestroyWindow(hwnd);
    return 0;
}

LRESULT onTimer(HWND hwnd, UINT_PTR timer) {
    if (timer != kCloseCheckTimer || buffersOut(hwnd)) return 0;
    KillTimer(hwnd, kCloseCheckTimer);
    DestroyWindow(hwnd);
    return 0;
}

LRESULT onDestroy(HWND hwnd) {
    WaveOutDevice* device = WaveOutDeviceOf(hwnd);
    CloseWaveOut(device);
    delete device;
    setSlot(hwnd, waveout_slots::device, 0);
    setSlot(hwnd, waveout_slots::reserved2, 0);
    return 0;
}

LRESULT onBufferReturned(HWND hwnd, HWAVEOUT returnedBy, WAVEHDR* header) {
    // Any process can post this message to a top-level window: only a buffer this window
    // queued and has not yet seen back is taken back, and the pointer of any other is
    // never followed.
    WaveOutDevice* device = WaveOutDeviceOf(hwnd);
    if (!TakeQueuedHeader(device, header)) return 0;
    // Take the data back first; it is freed when this handler ends, after the notice.
    AudioBuffer data = AudioBuffer::adopt(reinterpret_cast<std::byte*>(header->lpData), header->dwBufferLength);
    FreeReturnedWaveHeader(returnedBy, header);

    device->flags &= ~WODF_BLOCKED;
    if (device->pendingCount > 0) device->pendingCount = static_cast<std::uint16_t>(device->pendingCount - 1);
    const std::uint16_t pending = device->pendingCount;
    // With the owner forgotten (the window is closing) the notice goes nowhere.
    if (HWND owner = WaveOutOwnerOf(hwnd))
        PostMessageA(owner, WM_WAVEOUT_DONE, reinterpret_cast<WPARAM>(hwnd), static_cast<LPARAM>(pending));
    if (pending == 0) setState(hwnd, WOS_IDLE);
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK WaveOutProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        switch (msg) {
        case WM_CREATE:  return onCreate(hwnd, msg, wParam, lParam);
        case WM_CLOSE:   return onClose(hwnd, wParam == 0);
        case WM_TIMER:   return onTimer(hwnd, static_cast<UINT_PTR>(wParam));
        case WM_DESTROY: return onDestroy(hwnd);
        case MM_WOM_DONE:
            return onBufferReturned(hwnd, reinterpret_cast<HWAVEOUT>(wParam), reinterpret_cast<WAVEHDR*>(lParam));
        default:         return DefWindowProcA(hwnd, msg, wParam, lParam);
        }
    } catch (...) {
        // Nothing here throws by design; an exception must still not unwind into the system.
        return 0;
    }
}

int RegisterWaveOutClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = WaveOutProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = waveout_slots::extraBytes;
    wc.hInstance = instance;
    wc.lpszClassName = kWaveOutClassName;
    RegisterClassA(&wc);
    return 1;
}

int UnregisterWaveOutClass(HINSTANCE instance) {
    UnregisterClassA(kWaveOutClassName, instance);
    return 0;
}

HWND CreateWaveOutWindow(HWND owner) {
    HWND hwnd = CreateWindowExA(0, kWaveOutClassName, kWaveOutWindowTitle, WS_DISABLED, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd) setSlot(hwnd, waveout_slots::owner, reinterpret_cast<LONG_PTR>(owner));
    return hwnd;
}

int StartWaveOutput(HWND hwnd, WaveFormatCode code) {
    if (!hwnd) return -1;
    WaveOutDevice* device = WaveOutDeviceOf(hwnd);
    if (!device) {
        tellOpenFailed(hwnd);
        return 0;
    }
    if ((device->flags & WODF_OPEN) == 0) {
        if (OpenWaveOut(device, hwnd, device->deviceId, code) != kWaveOutOk) {
            tellOpenFailed(hwnd);
            return 0;
        }
        char title[kTitleLength] = {};
        GetWaveOutDeviceName(device->deviceId, title);
        SetWindowTextA(hwnd, title);
    }
    if (WaveOutStateOf(hwnd) == WOS_IDLE) setState(hwnd, WOS_RUNNING);
    return 0;
}

int StopWaveOutput(HWND hwnd) {
    if (!hwnd) return -1;
    WaveOutDevice* device = WaveOutDeviceOf(hwnd);
    // The buffers the reset hands back arrive afterwards as returns and are released then.
    ResetWaveOut(device);
    CloseWaveOut(device);
    setState(hwnd, WOS_IDLE);
    return 0;
}

int QueueWaveBuffer(HWND hwnd, MixOutput* output) {
    if (!hwnd) {
        if (output) output->buffer.reset();
        return -1;
    }
    WaveOutDevice* device = WaveOutDeviceOf(hwnd);
    if (WaveOutStateOf(hwnd) == WOS_IDLE) {
        RestartWaveOut(device);
        setState(hwnd, WOS_RUNNING);
    }
    if (!output) return 0;
    if (device && (device->flags & WODF_BLOCKED) == 0 &&
        WriteWaveOut(device, output->buffer.data(), static_cast<std::uint32_t>(output->buffer.size())) == kWaveOutOk) {
        output->buffer.release();   // the header holds the bytes until the return hands them back
        return 0;
    }
    output->buffer.reset();   // not queued: nothing will return it
    return 0;
}

bool QueueNextBlock(HWND hwnd, PlaybackSession& session, MixOutput& output, const ChannelFlags& enabled,
                    ChannelLevels& levels) {
    if (!session.mixNextBlock(output, enabled, levels)) return false;
    QueueWaveBuffer(hwnd, &output);
    return true;
}

LRESULT DestroyWaveOutWindow(HWND hwnd) {
    if (!hwnd) return -1;
    setSlot(hwnd, waveout_slots::owner, 0);
    return SendMessageA(hwnd, WM_CLOSE, 0, 0);
}

bool WaitForWaveOutWindowClosed(HWND hwnd, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    MSG message;
    // The closing window's timer and the device's returns keep coming while it waits: the
    // bound is checked after every message.
    while (hwnd != nullptr && IsWindow(hwnd)) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs) return false;
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, timeoutMs - waited), QS_ALLINPUT);
            continue;
        }
        if (message.message == WM_QUIT) continue;   // the loop that posted it has ended already
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

WaveOutDevice* WaveOutDeviceOf(HWND hwnd) {
    return hwnd ? reinterpret_cast<WaveOutDevice*>(slot(hwnd, waveout_slots::device)) : nullptr;
}

LONG_PTR WaveOutStateOf(HWND hwnd) { return hwnd ? slot(hwnd, waveout_slots::state) : 0; }

HWND WaveOutOwnerOf(HWND hwnd) { return hwnd ? reinterpret_cast<HWND>(slot(hwnd, waveout_slots::owner)) : nullptr; }
