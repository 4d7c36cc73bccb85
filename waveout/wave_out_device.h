#pragma once
// The wave-output device: a small record around the system's multimedia wave output,
// opened for PCM with its notices posted to a window, and the count of buffers that
// were written and have not yet been handled as returned. Windows only; the hidden
// wave-out window owns the record and handles the returns.

#include "waveout/wave_format.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <vector>

// flags
constexpr std::uint32_t WODF_BLOCKED = 8;   // no header could be had: writes refused until a buffer returns
constexpr std::uint32_t WODF_OPEN = 16;

struct WaveOutDevice {
    HWAVEOUT handle = nullptr;          // none while closed
    std::uint32_t deviceId = 0;         // 0: the system's first device; WAVE_MAPPER is accepted too
    std::uint32_t flags = 0;
    // Written and not yet handled as returned. Kept across a close and a re-open: the
    // returns of buffers written before the close still arrive afterwards.
    std::uint16_t pendingCount = 0;
    // The headers written and not yet seen back, across openings: a return is handled only
    // for one of these, so a forged or repeated MM_WOM_DONE can never free anything.
    std::vector<WAVEHDR*> queuedHeaders;
};

// Takes a returned header off the device's list; false when it is not one the device
// queued and has not yet seen back (the caller must then leave it alone).
bool TakeQueuedHeader(WaveOutDevice* device, WAVEHDR* header);

// Results. Any other value is the device's own error code, passed through unchanged.
constexpr int kWaveOutOk = 0;
constexpr int kWaveOutNoRecord = -1;
constexpr int kWaveOutNameFound = 1;        // GetWaveOutDeviceName only
constexpr int kWaveOutNameMissing = 0;      // GetWaveOutDeviceName only
constexpr int kWaveOutBadDevice = 2;        // device number not below the count, and not WAVE_MAPPER
constexpr int kWaveOutBadState = 10;        // already open, not open, or writes blocked
constexpr int kWaveOutNoData = 11;          // no data pointer or length 0

// Room for the product name: at most 31 characters and the terminator.
constexpr int kWaveOutNameLength = 32;

// The PCM format record the system's open takes for a format code.
WAVEFORMATEX WaveFormatFromCode(WaveFormatCode code);

// Copies the product name of the device into text (at least kWaveOutNameLength bytes);
// 1, or 0 with text unchanged when the system does not know the device.
int GetWaveOutDeviceName(UINT deviceNumber, char* text);

int OpenWaveOut(WaveOutDevice* device, HWND notifyWindow, UINT deviceNumber, WaveFormatCode code);
int CloseWaveOut(WaveOutDevice* device);
// Queues caller-owned bytes; on 0 they belong to the device queue until the buffer's
// return is handled (FreeReturnedWaveHeader), on any other result they stay with the caller.
int WriteWaveOut(WaveOutDevice* device, void* data, std::uint32_t length);
int RestartWaveOut(WaveOutDevice* device);
int ResetWaveOut(WaveOutDevice* device);

// Unprepares a returned header with the handle its return came with (possibly one that
// has since been closed) and frees the header; the data stays with the caller.
void FreeReturnedWaveHeader(HWAVEOUT returnedBy, WAVEHDR* header);
