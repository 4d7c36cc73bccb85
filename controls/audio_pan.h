#pragma once
// The pan control, window class "32AudioPan". (Being built.)

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioPanProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
