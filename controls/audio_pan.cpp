// The pan control. (Being built.)

#include "controls/audio_pan.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioPanProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
