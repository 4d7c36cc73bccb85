#pragma once
// Steps that several controls take alike: at creation, leaving the tab order and taking the
// size of their picture; in WM_PAINT, a knob drawn over a background picture.

#include <windows.h>

namespace controls {

// Takes WS_TABSTOP away: tabbing skips a control that never keeps the keyboard focus.
void dropTabStop(HWND window);

// Gives the window a new size; its top-left corner stays where it is in its parent (for a
// top-level control GA_PARENT gives the desktop, where screen coordinates stay).
void resizeInPlace(HWND window, int width, int height);

// The whole client area from the background bitmap, then the knob bitmap's top-left `size`
// at `knobAt`; both bitmaps are the library's and live only for this paint.
void paintKnobOverBackground(HWND window, const char* backgroundBitmap, const char* knobBitmap, POINT knobAt,
                             SIZE size);

}  // namespace controls
