#pragma once
// The fader, window class "32AudioFader": a knob dragged up and down over the bitmap
// "FADERBACK", drawn from "FADERKNOP". It reports a level 0..65535 that grows with the cube
// of the knob's travel.

#include <windows.h>

namespace fader_words {
constexpr int position = 0;   // 16 bits: y of the knob's centre line, 10..h-10
constexpr int travel = 2;     // 16 bits: 0 (bottom) .. 256 (top), in 1/256 of the track
}  // namespace fader_words

// Style bit: the right button returns the fader to its reference level.
constexpr DWORD kFaderRightButtonReset = 0x0002;

// WM_SETTEXT takes a level as decimal text; user changes reach the parent as
// WM_COMMAND(id, level), always sent.
extern "C" __declspec(dllexport) LRESULT CALLBACK AudioFaderProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam);
