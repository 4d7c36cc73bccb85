#pragma once
// The hidden wave-out window: a disabled, never-shown top-level window of class
// "hiddenWaveOutWindow" that owns the wave-output device record, releases every buffer
// the device returns and turns each return into a WM_WAVEOUT_DONE notice to its owner,
// which uses the notices as the clock of playback. Windows only.
//
// Window extra bytes: five slots. On i686 a slot is 32 bits and the slots sit at the
// byte indices 0, 4, 8, 12 and 16 (20 extra bytes), as other programs may rely on. On
// x86_64 the device record and the owner are 64-bit pointers, so every slot is pointer
// sized (indices 0, 8, 16, 24, 32; 40 extra bytes). The indices are derived from
// kWaveOutSlotSize below and read and written with the window-long-pointer functions.

#include "audio/mixdown.h"
#include "audio/playback.h"
#include "waveout/wave_format.h"
#include "waveout/wave_out_device.h"

#include <windows.h>

// Messages to the owner.
constexpr UINT WM_WAVEOUT_OPENFAILED = 2023;   // sent; wParam the hidden window, lParam 0
constexpr UINT WM_WAVEOUT_DONE = 2027;         // posted; wParam the hidden window, lParam pendingCount

// Transport state (slot waveout_slots::state).
constexpr LONG_PTR WOS_IDLE = 1;      // nothing known to be queued: the next queue restarts the device first
constexpr LONG_PTR WOS_RUNNING = 3;

constexpr char kWaveOutClassName[] = "hiddenWaveOutWindow";
constexpr char kWaveOutWindowTitle[] = "WavePlayer";

constexpr int kWaveOutSlotSize = static_cast<int>(sizeof(LONG_PTR));

namespace waveout_slots {
constexpr int reserved0 = 0 * kWaveOutSlotSize;   // 0
constexpr int device = 1 * kWaveOutSlotSize;      // the WaveOutDevice record
constexpr int reserved2 = 2 * kWaveOutSlotSize;   // 0
constexpr int state = 3 * kWaveOutSlotSize;       // WOS_IDLE or WOS_RUNNING
constexpr int owner = 4 * kWaveOutSlotSize;       // receives the notices; 0 once the window is being destroyed
constexpr int extraBytes = 5 * kWaveOutSlotSize;
}  // namespace waveout_slots

#if !defined(_WIN64)
static_assert(waveout_slots::device == 4 && waveout_slots::state == 12 && waveout_slots::owner == 16 &&
              waveout_slots::extraBytes == 20);
#endif

// Exported from every program that links it, under this undecorated name.
extern "C" __declspec(dllexport) LRESULT CALLBACK WaveOutProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

int RegisterWaveOutClass(HINSTANCE instance);     // always 1
int UnregisterWaveOutClass(HINSTANCE instance);   // always 0

// Null when the window cannot be created; then nothing is stored.
HWND CreateWaveOutWindow(HWND owner);

// Each returns 0, or -1 when hwnd is null.
int StartWaveOutput(HWND hwnd, WaveFormatCode code);
int StopWaveOutput(HWND hwnd);
// Takes the buffer of *output: a queued buffer belongs to the device queue until its
// return is handled; one that is not queued (device closed, writes blocked or refused)
// is released at once. output may be null.
int QueueWaveBuffer(HWND hwnd, MixOutput* output);
// The refill step of playback, shared by the player and the playback driver: the session's
// next block mixed into output and queued. False at the end of the take, with nothing queued.
bool QueueNextBlock(HWND hwnd, PlaybackSession& session, MixOutput& output, const ChannelFlags& enabled,
                    ChannelLevels& levels);
// Forgets the owner and closes the window; the window destroys itself once every queued
// buffer has come back, so the caller keeps its message loop running until then. A close
// that comes while the window still has its owner is not the owner's and is ignored.
LRESULT DestroyWaveOutWindow(HWND hwnd);
// After DestroyWaveOutWindow: delivers the thread's messages until the window has closed
// itself or timeoutMs have passed; true when it is gone. A device that keeps its buffers
// past the bound leaves the window (and the buffers it still owns) alive: memory the
// device may still write is never freed under it.
bool WaitForWaveOutWindowClosed(HWND hwnd, DWORD timeoutMs);

// Typed accessors of the slots, for the owner and for tests.
WaveOutDevice* WaveOutDeviceOf(HWND hwnd);
LONG_PTR WaveOutStateOf(HWND hwnd);
HWND WaveOutOwnerOf(HWND hwnd);
