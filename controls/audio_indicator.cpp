// The indicator bar. (Being built.)

#include "controls/audio_indicator.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioIndicatorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
