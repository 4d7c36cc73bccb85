#pragma once
// The oscilloscope display, window class "32VideoOszi": up to 127 samples, given as the
// window text (one byte each, 1..255), drawn as a green line over the bitmap "VIDEOOSZIBACK".

#include <windows.h>

namespace oszi_longs {
constexpr int background = 0;   // 32 bits: the background bitmap loaded at creation, or 0
constexpr int offscreen = 4;    // 32 bits: a bitmap of the background's size, or 0
}  // namespace oszi_longs

// WM_SETTEXT stores the samples and returns 0; the display sends nothing to its parent.
extern "C" __declspec(dllexport) LRESULT CALLBACK VideoOsziProc(HWND window, UINT message, WPARAM wParam,
                                                                LPARAM lParam);
