#pragma once
// The knob. (Being built.)

#include <windows.h>

constexpr const char* kKnobClass = "32Knop";

// The knob's own class (KnopProc, at least 14 extra bytes); called by the same start-up that
// registers the other controls, after RegisterAudioControls. Return 1.
int RegisterKnobClass(HINSTANCE instance);
int UnregisterKnobClass(HINSTANCE instance);

extern "C" __declspec(dllexport) LRESULT CALLBACK KnopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
