#pragma once
// The fader, window class "32AudioFader". (Being built.)

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK AudioFaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
