#pragma once
// The pan control, window class "32AudioPan": a narrow knob dragged along the bitmap
// "PANBACK", drawn from "PANKNOP". Values run from -127 (left) through 0 to 127 (right).

#include <windows.h>

namespace pan_words {
constexpr int position = 0;   // 16 bits, signed: x of the knob's reference column, 4..W-4
constexpr int value = 2;      // 16 bits, signed: -127..127
}  // namespace pan_words

// Style bit: a right-button press puts the pan back to the centre.
constexpr DWORD kPanRightResets = 0x0002;

// WM_SETTEXT sets the value (decimal text). User changes reach the parent, always sent, as
// WM_COMMAND(id, value byte), with 0x10000 added when a button is released.
extern "C" __declspec(dllexport) LRESULT CALLBACK AudioPanProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
