#pragma once
// The LED, window class "32AudioLed": one lamp whose colour shows a level in decibels,
// drawn as a sunken frame around a solid fill (no bitmap).

#include <windows.h>

namespace led_words {
constexpr int step = 2;   // 16 bits, unsigned: the level in decibels plus 48, 0..48
}  // namespace led_words

// WM_SETTEXT (any wParam) sets the level from a decimal text in decibels.
extern "C" __declspec(dllexport) LRESULT CALLBACK AudioLedProc(HWND window, UINT message, WPARAM wParam,
                                                               LPARAM lParam);
