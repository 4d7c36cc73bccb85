// The knob. (Being built.)

#include "controls/knob.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK KnopProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

int RegisterKnobClass(HINSTANCE) { return 1; }
int UnregisterKnobClass(HINSTANCE) { return 1; }
