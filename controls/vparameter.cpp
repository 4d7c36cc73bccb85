// The vertical parameter slider. (Being built.)

#include "controls/vparameter.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK VParameterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
