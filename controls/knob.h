#pragma once
// The knob, window procedure KnopProc, registered as the class "32Knop": one of the eight
// pictures "KNOP0".."KNOP7" (chosen by the style's low three bits) drawn transparently
// over what lies behind it, and a pointer showing an angle in degrees (0 up, clockwise
// positive, -180..180).

#include <windows.h>

constexpr const char* kKnobClass = "32Knop";

namespace knob_words {
constexpr int cellWidth = 2;    // 16 bits: half the knob bitmap's width
constexpr int cellHeight = 4;   // 16 bits: half the knob bitmap's height
constexpr int flags = 6;        // 16 bits: knob_flags below
constexpr int angle = 8;        // 16 bits, signed: degrees
constexpr int bitmap = 10;      // 32 bits: the knob bitmap, owned by the window
}  // namespace knob_words

// A GDI handle keeps its meaning in 32 bits on x86_64 too, so the bitmap fits its 32-bit
// slot there; the class needs the slot's end.
constexpr int kKnobExtraBytes = knob_words::bitmap + 4;
static_assert(kKnobExtraBytes == 14);

namespace knob_flags {
constexpr unsigned enabled = 0x1;
constexpr unsigned focused = 0x2;
constexpr unsigned pressed = 0x4;
}  // namespace knob_flags

// Registers "32Knop" (KnopProc, 14 extra bytes, CS_GLOBALCLASS | CS_DBLCLKS, arrow cursor,
// no background brush); called by the same start-up that registers the other controls,
// after RegisterAudioControls, whose module the knob loads its bitmaps from. Return 1.
int RegisterKnobClass(HINSTANCE instance);
int UnregisterKnobClass(HINSTANCE instance);

// WM_SETTEXT sets the angle (decimal text, its low 16 bits), WM_GETTEXT reads it back.
// A press, every key step and every drag step that turns the knob reach the parent, sent,
// as WM_COMMAND(id, angle sign-extended).
extern "C" __declspec(dllexport) LRESULT CALLBACK KnopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
