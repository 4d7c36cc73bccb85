#pragma once
// The vertical parameter slider, window class "32VParameter". (Being built.)

#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK VParameterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
