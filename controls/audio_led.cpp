// The LED. (Being built.)

#include "controls/audio_led.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioLedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
