#pragma once
// The level meter, window class "32AudioMeter": a vertical segmented bar drawn from the
// bitmap "AUDIOMETER" (lit picture on the left half, unlit on the right half).

#include <windows.h>

namespace meter_words {
constexpr int level = 2;   // 16 bits, unsigned: display units 0..256
constexpr int hold = 4;    // 16 bits, unsigned: display units 0..256
}  // namespace meter_words

// WM_SETTEXT wParam 0 sets the level, any other value the hold mark; the text is decibels.
extern "C" __declspec(dllexport) LRESULT CALLBACK AudioMeterProc(HWND window, UINT message, WPARAM wParam,
                                                                 LPARAM lParam);
