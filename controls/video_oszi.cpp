// The oscilloscope display. (Being built.)

#include "controls/video_oszi.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK VideoOsziProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}
