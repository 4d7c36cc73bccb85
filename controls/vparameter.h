#pragma once
// The vertical parameter slider, window class "32VParameter": a thumb on a vertical track
// drawn from the bitmaps "VPARAMETER" (track) and "VPARAMETERKNOP" (grey and blue thumb).
// The maximum lies at the top.

#include <windows.h>

namespace vparameter_words {
constexpr int position = 0;   // 16 bits, signed: y of the thumb's line, 6..h-6
constexpr int value = 2;      // 16 bits, signed
constexpr int minimum = 4;    // 16 bits, signed
constexpr int maximum = 6;    // 16 bits, signed
}  // namespace vparameter_words

// WM_SETTEXT wParam (as a signed 32-bit number): below 0 sets the minimum, above 0 the
// maximum, 0 the value. User changes reach the parent as WM_COMMAND(id, value); the right
// button resets to the middle of the range.
extern "C" __declspec(dllexport) LRESULT CALLBACK VParameterProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam);
