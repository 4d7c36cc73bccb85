#pragma once
// The indicator, window class "32AudioIndicator": a horizontal bar filling from the left,
// drawn from the bitmap "AUDIOINDICATOR" (lit picture above, unlit picture below).

#include <windows.h>

namespace indicator_words {
constexpr int level = 2;   // 16 bits, unsigned: display units 0..256
constexpr int hold = 4;    // 16 bits, unsigned: display units 0..256; kept, not drawn
}  // namespace indicator_words

// WM_SETTEXT wParam 0 sets the level, any other value the hold; the text is decibels.
extern "C" __declspec(dllexport) LRESULT CALLBACK AudioIndicatorProc(HWND window, UINT message, WPARAM wParam,
                                                                     LPARAM lParam);
