// The fader. (Being built.)

#include "controls/audio_fader.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioFaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
