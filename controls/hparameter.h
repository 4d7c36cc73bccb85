#pragma once
// The horizontal parameter slider, window class "32HParameter": a knob on a groove drawn
// from the bitmaps "HPARAMETER" (track) and "HPARAMETERKNOP" (grey and blue knob).

#include <windows.h>

namespace hparameter_words {
constexpr int position = 0;   // 16 bits, signed: x of the knob's centre, 5..W-5
constexpr int value = 2;      // 16 bits, signed
constexpr int minimum = 4;    // 16 bits, signed
constexpr int maximum = 6;    // 16 bits, signed
}  // namespace hparameter_words

// WM_SETTEXT wParam (as a signed 32-bit number): below 0 sets the minimum, above 0 the
// maximum, 0 the value. User changes reach the parent as WM_COMMAND(id, value).
extern "C" __declspec(dllexport) LRESULT CALLBACK HParameterProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam);
