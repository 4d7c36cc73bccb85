#pragma once
// The player window: a modeless dialog from the template "VANTORPLAY" that loads a take,
// shows its description, plays it through the hidden wave-out window and keeps the
// position display and the eight meters moving with every returned block.

#include "app/player_protocol.h"
#include "app/shell_text.h"
#include "audio/mixdown.h"
#include "audio/playback.h"

#include <windows.h>

#include <cstdint>

constexpr char kPlayerTemplate[] = "VANTORPLAY";

// Private messages and command identifiers.
constexpr UINT WM_PLAYER_LOADFILE = WM_USER + 567;   // 1591, posted to itself: load the current path
constexpr WPARAM CMD_KEYDOWN = 256;                   // from the message loop; lParam the virtual key
constexpr WPARAM CMD_SHOWPOSITION = 6001;
constexpr WPARAM CMD_HALT = 6002;

constexpr int kBankSize = 8;       // the switches and meters show the take's channels eight at a time
constexpr int kQueuedBlocks = 4;   // about 0.4 s of sound between reading and hearing
constexpr std::int32_t kSliderLimit = 32767;   // the slider holds signed 16-bit values

// One player per process: its state is module-wide.
struct PlayerState {
    std::int32_t playing = 0;
    std::int32_t position = 0;   // whole seconds: the next block to read
    std::int32_t length = 0;     // whole seconds
    std::int32_t channels = 0;   // of the loaded take; 0 for a file of unknown format
    std::int32_t bank = 0;       // the bank of eight channels the switches and meters show
    ChannelFlags channelEnabled{};
    ChannelLevels channelLevel{};
    PlaybackSession take;        // the loaded take: its description and its sample data
    MixOutput mixOutput;
    HWND waveOutWindow = nullptr;
    bool outputUsable = false;   // the last open of the wave-output device succeeded
    char currentPath[kPlayerPathSize] = {};
    // Called first when the window is destroyed, before the device is stopped: the program
    // arms its exit watchdog there. Null in tests, which create the window themselves.
    void (*teardownBegins)() = nullptr;
};

PlayerState& Player();

extern "C" __declspec(dllexport) INT_PTR CALLBACK ViewDlgProc(HWND window, UINT message, WPARAM wParam,
                                                              LPARAM lParam);

// The player window's class: the default dialog procedure with the program's icons.
ATOM RegisterPlayerClass(HINSTANCE instance);

// Shown in the hint field when no wave-output device could be opened for the take.
extern const char* const kNoOutputHint;
